// Images on the clipboard between this program and another one (xclip) on a real X display:
// another program's PNG comes in with its transparency, and what this program publishes other
// programs read as PNG with alpha and as a bitmap.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <optional>

#include "app/qt_system_clipboard.h"
#include "core/clipboard_store.h"
#include "x11_environment.h"

namespace varnel {
namespace {

// Skips the test, saying why, unless the display and xclip are there.
#define REQUIRE_X11_AND_XCLIP()                                                \
    do {                                                                       \
        if (!test::x11Unavailable().isEmpty())                                 \
            GTEST_SKIP() << test::x11Unavailable().toStdString();              \
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) \
            GTEST_SKIP() << "xclip is not installed (apt-get install xclip)";  \
    } while (false)

// Runs the events of this program until `done` holds or `ms` have passed.
bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Runs xclip with `args` while this program keeps answering the X server (xclip may be asking
// it for the clipboard); its standard output, or nothing when it failed.
std::optional<QByteArray> xclip(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral("xclip"), args);
    if (!process.waitForStarted(5000)) return std::nullopt;
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

// Another program takes the clipboard and offers `file` as `type` (xclip keeps serving it in the
// background until something else takes the clipboard).
bool offerFromOtherProgram(const QString& file, const QString& type) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("xclip"),
                  {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                   type, QStringLiteral("-i"), file});
    return process.waitForFinished(5000) && process.exitCode() == 0;
}

std::optional<QByteArray> readAsOtherProgram(const QString& type) {
    return xclip({QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                  type, QStringLiteral("-o")});
}

// 4 x 3: green, a red bottom-right corner, one pixel without alpha and one half-transparent.
QImage picture() {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(QColor(0, 255, 0));
    image.setPixel(3, 2, qRgba(255, 0, 0, 255));
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.setPixel(2, 1, qRgba(10, 20, 30, 128));
    return image;
}

TEST(ClipboardBetweenPrograms, AnotherProgramsPngArrivesWithItsTransparency) {
    REQUIRE_X11_AND_XCLIP();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("copied.png"));
    ASSERT_TRUE(picture().save(file, "PNG"));
    ASSERT_TRUE(offerFromOtherProgram(file, QStringLiteral("image/png")));

    QtSystemClipboard system;
    ClipboardStore store(&system);
    ASSERT_TRUE(waitFor([&] { return system.hasBitmap(); })) << "the offered image never showed";
    EXPECT_FALSE(system.holdsWrittenBitmap());
    ClipboardImage got;
    ASSERT_TRUE(store.paste(got));
    ASSERT_EQ(got.image.size(), (Size{4, 3}));
    ASSERT_TRUE(got.mask.isValid());
    EXPECT_FALSE(got.origin);
    EXPECT_EQ(got.mask.row(0)[0], 0);
    EXPECT_EQ(got.mask.row(1)[2], 128);
    EXPECT_EQ(got.mask.row(2)[3], 255);
    EXPECT_EQ(got.image.pixels(2)[3], (Bgr{0, 0, 255}));
    EXPECT_EQ(got.image.pixels(1)[0], (Bgr{0, 255, 0}));
}

TEST(ClipboardBetweenPrograms, OtherProgramsReadThePublishedImageAsPngWithAlphaAndAsABitmap) {
    REQUIRE_X11_AND_XCLIP();
    QtSystemClipboard system;
    ClipboardStore store(&system);
    ColorImage image;
    ASSERT_TRUE(image.createColor(4, 3));
    image.fillAll(0x00FF00);
    image.fillRect(Rect{3, 2, 4, 3}, 0x0000FF);
    Channel mask;
    ASSERT_TRUE(mask.createGray(4, 3));
    mask.fillAll(0xFFFFFF);
    mask.row(0)[0] = 0;
    mask.row(1)[2] = 128;
    const ClipboardOrigin origin{{1, 2}, {30, 20}};
    ASSERT_TRUE(store.put(image, &mask, &origin));
    ASSERT_TRUE(store.publish());

    const std::optional<QByteArray> targets = readAsOtherProgram(QStringLiteral("TARGETS"));
    ASSERT_TRUE(targets);
    EXPECT_TRUE(targets->contains("image/png")) << targets->toStdString();
    EXPECT_TRUE(targets->contains("image/bmp")) << targets->toStdString();

    const std::optional<QByteArray> png = readAsOtherProgram(QStringLiteral("image/png"));
    ASSERT_TRUE(png);
    const QImage read = QImage::fromData(*png, "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(read.size(), QSize(4, 3));
    EXPECT_EQ(qAlpha(read.pixel(0, 0)), 0);
    EXPECT_EQ(read.pixel(2, 1), qRgba(0, 255, 0, 128));
    EXPECT_EQ(read.pixel(3, 2), qRgba(255, 0, 0, 255));

    const std::optional<QByteArray> bmp = readAsOtherProgram(QStringLiteral("image/bmp"));
    ASSERT_TRUE(bmp);
    const QImage bitmap = QImage::fromData(*bmp, "BMP");
    ASSERT_EQ(bitmap.size(), QSize(4, 3));
    EXPECT_EQ(QColor(bitmap.pixel(3, 2)).toRgb(), QColor(255, 0, 0));

    // Still ours: the store's own image comes back with its place. Once another program copies,
    // that is what a paste takes.
    EXPECT_TRUE(system.holdsWrittenBitmap());
    ClipboardImage got;
    ASSERT_TRUE(store.paste(got));
    EXPECT_EQ(got.origin, origin);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("other.png"));
    QImage other(2, 2, QImage::Format_RGB32);
    other.fill(QColor(1, 2, 3));
    ASSERT_TRUE(other.save(file, "PNG"));
    ASSERT_TRUE(offerFromOtherProgram(file, QStringLiteral("image/png")));
    ASSERT_TRUE(waitFor([&] { return !system.holdsWrittenBitmap(); }));
    ASSERT_TRUE(store.paste(got));
    EXPECT_EQ(got.image.size(), (Size{2, 2}));
    EXPECT_FALSE(got.origin);
    EXPECT_FALSE(got.mask.isValid());
}

}  // namespace
}  // namespace varnel
