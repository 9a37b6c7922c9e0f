// The system clipboard through Qt: images other programs offer in their own formats come in as
// packed bitmaps, the store's image goes out as an image every program can take, and New From
// Clipboard makes real documents of them.
#include "app/qt_system_clipboard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "app/command_table.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "app/size_dialogs.h"
#include "core/clipboard_store.h"
#include "document/document.h"
#include "gui_test_support.h"

namespace varnel {
namespace {

// A 3 x 2 picture: red top-left corner, the rest blue; half-transparent bottom-right.
QImage picture() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 255));
    image.setPixelColor(0, 0, QColor(255, 0, 0));
    image.setPixelColor(2, 1, QColor(0, 0, 255, 128));
    return image;
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes;
}

// Puts data on the application's clipboard as another program would offer it.
void offer(const QString& mimeType, const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(mimeType, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

std::array<int, 3> rgb(const ColorImage& image, int x, int y) {
    const uint8_t* p = image.row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

TEST(QtSystemClipboard, ImagesOtherProgramsOfferArriveAsPackedBitmaps) {
    QtSystemClipboard system;
    ClipboardStore store(&system);
    struct Case {
        const char* name;
        std::function<void()> put;
        bool alpha = true;  // the half-transparent pixel comes through
        bool exact = true;  // the colours too
    } cases[] = {
        {"PNG bytes", [] { offer(QStringLiteral("image/png"), encoded(picture(), "PNG")); }},
        // Qt writes bitmaps without alpha.
        {"BMP bytes", [] { offer(QStringLiteral("image/bmp"), encoded(picture(), "BMP")); }, false},
        {"a decoded image", [] { QGuiApplication::clipboard()->setImage(picture()); }},
        {"a raw packed bitmap",
         [] {
             std::vector<uint8_t> block = QtSystemClipboard::packedBitmapOf(picture());
             offer(
                 QString::fromLatin1(QtSystemClipboard::kDibMimeType),
                 QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
         }},
        {"JPEG bytes",
         [] { offer(QStringLiteral("image/jpeg"), encoded(picture().scaled(30, 20), "JPEG")); },
         false, false},
    };
    for (const Case& c : cases) {
        c.put();
        ASSERT_TRUE(system.hasBitmap()) << c.name;
        EXPECT_FALSE(system.holdsWrittenBitmap()) << c.name;
        ClipboardImage got;
        ASSERT_TRUE(store.paste(got)) << c.name;
        ASSERT_EQ(got.mask.isValid(), c.alpha) << c.name;
        EXPECT_FALSE(got.origin) << c.name;
        if (c.alpha) {
            EXPECT_EQ(got.mask.row(1)[2], 128) << c.name;
            EXPECT_EQ(got.mask.row(0)[0], 255) << c.name;
        }
        if (!c.exact) continue;
        Size size;
        ASSERT_TRUE(store.imageSize(size)) << c.name;
        EXPECT_EQ(size, (Size{3, 2})) << c.name;
        ColorImage image;
        ASSERT_TRUE(store.pasteInto(image)) << c.name;
        EXPECT_EQ(rgb(image, 0, 0), (std::array<int, 3>{255, 0, 0})) << c.name;
        EXPECT_EQ(rgb(image, 1, 1), (std::array<int, 3>{0, 0, 255})) << c.name;
        EXPECT_EQ(rgb(got.image, 2, 1), (std::array<int, 3>{0, 0, 255})) << c.name;
    }

    // Text only, and image bytes that do not decode.
    QGuiApplication::clipboard()->setText(QStringLiteral("42"));
    EXPECT_FALSE(system.hasBitmap());
    std::string text;
    ASSERT_TRUE(store.readText(text));
    EXPECT_EQ(text, "42");
    offer(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\nrubbish"));
    ColorImage image;
    EXPECT_FALSE(store.pasteInto(image));
    offer(QString::fromLatin1(QtSystemClipboard::kDibMimeType), QByteArray(50, '\x28'));
    EXPECT_FALSE(store.pasteInto(image));
    EXPECT_FALSE(image.isValid());
}

TEST(QtSystemClipboard, PublishedImageIsWhatOtherProgramsRead) {
    QtSystemClipboard system;
    ClipboardStore store(&system);
    ColorImage image;
    ASSERT_TRUE(image.createColor(4, 3));
    image.fillAll(0x00FF00);                     // green
    image.fillRect(Rect{3, 2, 4, 3}, 0x0000FF);  // red bottom-right
    ASSERT_TRUE(store.put(image));
    ASSERT_TRUE(store.publish());
    const QImage out = QGuiApplication::clipboard()->image();
    ASSERT_EQ(out.size(), QSize(4, 3));
    EXPECT_EQ(out.pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(out.pixelColor(3, 2), QColor(255, 0, 0));

    EXPECT_TRUE(system.holdsWrittenBitmap());
    EXPECT_FALSE(out.hasAlphaChannel()) << "an opaque image goes out opaque";

    // With a mask: out with its alpha (as PNG to other programs), and back from the store whole
    // while the clipboard holds it.
    Channel mask;
    ASSERT_TRUE(mask.createGray(4, 3));
    mask.fillAll(0xFFFFFF);
    mask.row(1)[1] = 0;
    mask.row(2)[3] = 90;
    const ClipboardOrigin origin{{7, 8}, {50, 40}};
    ASSERT_TRUE(store.put(image, &mask, &origin));
    ASSERT_TRUE(store.publish());
    const QImage withAlpha = QGuiApplication::clipboard()->image();
    ASSERT_TRUE(withAlpha.hasAlphaChannel());
    EXPECT_EQ(qAlpha(withAlpha.pixel(1, 1)), 0);
    EXPECT_EQ(withAlpha.convertToFormat(QImage::Format_ARGB32).pixel(3, 2), qRgba(255, 0, 0, 90));
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(offered, nullptr);
    EXPECT_TRUE(QtSystemClipboard::offersImage(offered));
    ClipboardImage got;
    ASSERT_TRUE(store.paste(got));
    EXPECT_EQ(got.origin, origin);
    ASSERT_TRUE(got.mask.isValid());
    EXPECT_EQ(got.mask.row(2)[3], 90);

    // Something else on the clipboard: it is no longer the store's.
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    EXPECT_FALSE(system.holdsWrittenBitmap());

    store.clear();
    EXPECT_FALSE(system.hasBitmap());
    EXPECT_FALSE(store.hasImage());
    EXPECT_FALSE(system.writeBitmap({1, 2, 3}));
    EXPECT_TRUE(QtSystemClipboard::packedBitmapOf(QImage()).empty());
}

TEST(QtSystemClipboard, NewFromClipboardAndDuplicateOpenRealDocuments) {
    QtSystemClipboard system;
    ClipboardStore store(&system);
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.documents = std::make_unique<ImageDocuments>(settings);
    auto prompts = std::make_unique<test::FakePrompts>();
    test::FakePrompts* asked = prompts.get();
    setup.prompts = std::move(prompts);
    setup.fileDialogs = std::make_unique<test::FakeDialogs>();
    setup.desktop = std::make_unique<test::FakeDesktop>();
    auto dialogs = std::make_unique<test::FakeCommandDialogs>();
    test::FakeCommandDialogs* duplicateDialog = dialogs.get();
    setup.commandDialogs = std::move(dialogs);
    setup.clipboard = &store;
    MainWindow window(std::move(setup));
    window.show();

    offer(QStringLiteral("image/png"), encoded(picture(), "PNG"));
    window.updateCommandStates();
    ASSERT_TRUE(window.action(kCmdFileNewFromClipboard)->isEnabled());
    window.action(kCmdFileNewFromClipboard)->trigger();
    auto* made = dynamic_cast<ImageWindow*>(window.activeDocumentWindow());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->documentName(), "Clipboard-1");
    EXPECT_TRUE(made->isModified());
    Document& doc = *made->document();
    EXPECT_EQ(doc.size(), (Size{3, 2}));
    EXPECT_EQ(rgb(doc.composite()->color(), 0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_EQ(doc.composite()->alpha().row(1)[2], 128);  // another program's alpha is kept
    EXPECT_EQ(doc.composite()->alpha().row(0)[0], 255);
    EXPECT_TRUE(test::waitFor(
        [&] { return made->frame()->windowTitle().startsWith(QStringLiteral("Clipboard-1 @ ")); }));

    duplicateDialog->answer = QStringLiteral("Clipboard-1 copy");
    window.runCommand(kCmdImageDuplicate);
    auto* copy = dynamic_cast<ImageWindow*>(window.activeDocumentWindow());
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, made);
    EXPECT_EQ(copy->documentName(), "Clipboard-1 copy");
    EXPECT_EQ(rgb(copy->document()->composite()->color(), 0, 0), (std::array<int, 3>{255, 0, 0}));
    EXPECT_TRUE(asked->log.empty());

    // The copy's caption menu offers Duplicate, the size dialogs and Page Setup.
    registerSizeDialogs();
    const auto items = copy->frame()->captionMenuItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].first, int(kCmdImageDuplicate));
    EXPECT_EQ(items[1].first, int(kCmdImageSize));
    EXPECT_EQ(items[2].first, int(kCmdCanvasSize));
    EXPECT_EQ(items[3].first, int(kCmdFilePageSetup));

    asked->answers = {Prompts::Answer::No, Prompts::Answer::No};
    window.close();
    EXPECT_EQ(asked->log.size(), 2u);
    EXPECT_TRUE(window.documentWindows().isEmpty());
    QGuiApplication::clipboard()->clear();
}

}  // namespace
}  // namespace varnel
