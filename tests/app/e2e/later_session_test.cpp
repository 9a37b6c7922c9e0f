// The rest of a working session in the real main window: filling and saving selections, zooming
// and panning, changing the canvas, closing with the save question, a second start handing over
// its file, the options, printing to a PDF file and the clipboard.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeWidget>

#include "app/single_instance.h"
#include "core/clipboard_store.h"
#include "editor_session.h"
#include "history/history.h"
#include "tools/tool.h"
#include "tools/toolbox.h"
#include "view/ve_canvas_info_ctrl.h"

namespace varnel::e2e {
namespace {

QString titleOf(ImageWindow* w) {
    auto* sub = w ? qobject_cast<QMdiSubWindow*>(w->frame()->parentWidget()) : nullptr;
    return sub ? sub->windowTitle() : QString();
}

std::array<int, 3> pixelAt(Document& document, int x, int y) {
    const uint8_t* p = document.composite()->color().row(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

// The composite's pixels of `r`, row by row.
std::vector<uint8_t> regionBytes(Document& document, Rect r) {
    std::vector<uint8_t> out;
    const ColorImage& c = document.composite()->color();
    for (int y = r.top; y < r.bottom; ++y)
        out.insert(out.end(), c.row(y) + 3 * r.left, c.row(y) + 3 * r.right);
    return out;
}

// Answers the message boxes that come one after another with the buttons given, in order, and
// keeps their texts.
class BoxAnswers {
public:
    explicit BoxAnswers(QStringList buttons) : buttons_(std::move(buttons)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || answered_.contains(box)) return;
            answered_.append(box);
            texts.append(box->windowTitle() + QStringLiteral(": ") + box->text());
            if (buttons_.isEmpty()) return;
            clickButton(box, buttons_.takeFirst());
        });
        timer_.start();
    }
    QStringList texts;

private:
    QStringList buttons_;
    QList<QPointer<QMessageBox>> answered_;
    QTimer timer_;
};

using LaterSession = EditorSession;

TEST_F(LaterSession, FillSelectInverseFeatherAndASavedSelectionComesBack) {
    const QString photo = filePath(QStringLiteral("wall.png"));
    ASSERT_TRUE(writePhoto(photo, 120, 90));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    Document& d = *doc->document();
    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    dragOnCanvas(canvasPoint(30, 20), canvasPoint(89, 69));
    ASSERT_EQ(doc->selection().bounds(), (Rect{30, 20, 90, 70}));

    // Alt+Delete: the selection takes the foreground colour, black at start.
    typeShortcut(QKeySequence(Qt::ALT | Qt::Key_Delete));
    EXPECT_EQ(currentStep(*doc->history()), "Fill");
    EXPECT_EQ(pixelAt(d, 30, 20), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(pixelAt(d, 89, 69), (std::array<int, 3>{0, 0, 0}));
    EXPECT_NE(pixelAt(d, 29, 20), (std::array<int, 3>{0, 0, 0}));

    ASSERT_TRUE(pickMenu(kCmdSelectAll));
    EXPECT_EQ(doc->selection().bounds(), (Rect{0, 0, 120, 90}));
    ASSERT_TRUE(pickMenu(kCmdSelectInverse));
    EXPECT_TRUE(doc->selection().isEmpty()) << "the inverse of everything is nothing";
    dragOnCanvas(canvasPoint(30, 20), canvasPoint(89, 69));
    ASSERT_TRUE(pickMenu(kCmdSelectInverse));
    EXPECT_EQ(doc->selection().coverageAt(0, 0), 255);
    EXPECT_EQ(doc->selection().coverageAt(50, 40), 0);

    ModalAnswer feather([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Feather Selection"));
        typeInto(child<QLineEdit>(dialog, "oneValue"), QStringLiteral("4"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdSelectFeather));
    ASSERT_TRUE(feather.handled());
    // Soft along the edge: partly selected just inside the hole's border.
    const uint8_t edge = doc->selection().coverageAt(31, 40);
    EXPECT_GT(edge, 0);
    EXPECT_LT(edge, 255);
    std::vector<uint8_t> feathered;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) feathered.push_back(doc->selection().coverageAt(x, y));

    ModalAnswer save([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save Selection"));
        auto* channel = child<QComboBox>(dialog, "saveChannel");
        if (channel) {
            EXPECT_EQ(channel->currentText(), QStringLiteral("- New -"));
        }
        typeInto(child<QLineEdit>(dialog, "saveChannelName"), QStringLiteral("Frame"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdSelectSave));
    ASSERT_TRUE(save.handled());
    ASSERT_EQ(d.channels().size(), 1u);
    EXPECT_EQ(d.channels()[0]->name(), "Frame");

    ASSERT_TRUE(pickMenu(kCmdSelectAll));
    ModalAnswer load([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Load Selection"));
        auto* channel = child<QComboBox>(dialog, "loadChannel");
        if (channel) {
            EXPECT_EQ(channel->currentText(), QStringLiteral("Frame"));
        }
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdSelectLoad));
    ASSERT_TRUE(load.handled());
    std::vector<uint8_t> loaded;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) loaded.push_back(doc->selection().coverageAt(x, y));
    EXPECT_EQ(loaded, feathered);
    EXPECT_EQ(
        stepNames(*doc->history()),
        (std::vector<std::string>{"Rectangular Marquee", "Fill", "Select Canvas", "Select Inverse",
                                  "Rectangular Marquee", "Select Inverse", "Feather",
                                  "Save Selection", "Select Canvas", "Load Selection"}));
}

TEST_F(LaterSession, ZoomByFieldMenuToolAndFitThenPanWithHandAndSpace) {
    const QString photo = filePath(QStringLiteral("map.png"));
    ASSERT_TRUE(writePhoto(photo, 300, 200));
    MainWindow& window = start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    VeChildFrame* frame = doc->frame();
    ZoomScroller& scroller = view()->scroller();

    // The zoom field: a click on its text, a percentage, Enter.
    VeCanvasInfoCtrl* field = frame->infoCtrl();
    activate();
    QTest::mouseClick(field, Qt::LeftButton, {}, VeCanvasInfoCtrl::textArea().center());
    ASSERT_TRUE(field->isEditing());
    field->editor()->selectAll();
    QTest::keyClicks(field->editor(), QStringLiteral("200"));
    QTest::keyClick(field->editor(), Qt::Key_Return);
    EXPECT_EQ(frame->zoom(), 2.0f);
    EXPECT_EQ(titleOf(doc), QStringLiteral("map.png @ 200%"));
    EXPECT_EQ(field->zoomText(), QStringLiteral("200%"));

    ASSERT_TRUE(pickMenu(kCmdZoomIn));
    EXPECT_GT(frame->zoom(), 2.0f);
    ASSERT_TRUE(pickMenu(kCmdZoomOut));
    ASSERT_TRUE(pickMenu(kCmdZoomOut));
    EXPECT_LT(frame->zoom(), 2.0f);

    // The zoom tool: a click zooms in one step around the pixel clicked.
    ASSERT_TRUE(pickMenu(kCmdToolZoomIn));
    const float before = frame->zoom();
    const QPoint at = canvasPoint(150, 100);
    activate();
    QTest::mouseClick(view(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(waitFor([&] { return frame->zoom() > before; }));
    const Point under = scroller.clientToImageFloor(Point{at.x(), at.y()});
    EXPECT_NEAR(under.x, 150, 2);
    EXPECT_NEAR(under.y, 100, 2);

    ASSERT_TRUE(pickMenu(kCmdFitOnScreen));
    EXPECT_TRUE(waitFor([&] {
        const Rect seen = scroller.visibleClientImageRect();
        return scroller.clientToImageFloor(Point{seen.left, seen.top}) == Point{0, 0} &&
               seen.width() >= int(300 * frame->zoom()) - 1;
    }));
    auto* sub = qobject_cast<QMdiSubWindow*>(frame->parentWidget());
    ASSERT_TRUE(sub);
    EXPECT_FALSE(QRect(sub->mapToGlobal(QPoint(0, 0)), sub->size())
                     .intersects(window.toolboxWindow()->frameGeometry()));

    // The hand: at 400 % (from the zoom field's menu) a drag moves the picture with the
    // pointer.
    QAction* fourTimes = nullptr;
    for (QAction* a : field->zoomMenu()->actions())
        if (a->data().toInt() == kCmdZoom4x) fourTimes = a;
    ASSERT_TRUE(fourTimes);
    fourTimes->trigger();
    ASSERT_EQ(frame->zoom(), 4.0f);
    ASSERT_TRUE(pickMenu(kCmdToolHand));
    EXPECT_EQ(window.toolbox()->chosenTool(), kToolHand) << "the toolbox shows the menu's choice";
    const Point start0 = scroller.scrollPosition();
    const QPoint middle(view()->width() / 2, view()->height() / 2);
    dragOnCanvas(middle, middle - QPoint(40, 30));
    EXPECT_EQ(scroller.scrollPosition().x - start0.x, 40);
    EXPECT_EQ(scroller.scrollPosition().y - start0.y, 30);

    // Space held with the marquee: the same drag pans and selects nothing.
    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    const int steps = doc->history()->count();
    const Point start1 = scroller.scrollPosition();
    activate();
    view()->setFocus(Qt::OtherFocusReason);
    // As from the keyboard: through the window, where the held Space is noticed.
    QTest::keyPress(window.windowHandle(), Qt::Key_Space);
    dragOnCanvas(middle, middle - QPoint(20, 10));
    QTest::keyRelease(window.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(scroller.scrollPosition().x - start1.x, 20);
    EXPECT_EQ(scroller.scrollPosition().y - start1.y, 10);
    EXPECT_EQ(doc->history()->count(), steps);
    EXPECT_TRUE(doc->selection().isEmpty());
}

TEST_F(LaterSession, ImageSizeCanvasSizeRotateTrimAndCrop) {
    const QString photo = filePath(QStringLiteral("tower.png"));
    ASSERT_TRUE(writePhoto(photo, 200, 150));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    Document& d = *doc->document();

    ModalAnswer imageSize([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Image Size"));
        auto* constrain = child<QCheckBox>(dialog, "imageSizeConstrain");
        if (constrain) {
            EXPECT_TRUE(constrain->isChecked());
        }
        typeInto(child<QLineEdit>(dialog, "imageSizePixelWidth"), QStringLiteral("100"));
        EXPECT_EQ(child<QLineEdit>(dialog, "imageSizePixelHeight")->text(), QStringLiteral("75"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdImageSize));
    ASSERT_TRUE(imageSize.handled());
    EXPECT_EQ(d.layers().canvasSize(), (Size{100, 75}));
    const std::vector<uint8_t> resized = regionBytes(d, Rect{0, 0, 100, 75});

    // Anchored at the bottom right: the new canvas grows to the left and upwards.
    ModalAnswer canvasSize([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Canvas Size"));
        QTest::mouseClick(child<QToolButton>(dialog, "canvasAnchor8"), Qt::LeftButton);
        typeInto(child<QLineEdit>(dialog, "canvasWidth"), QStringLiteral("140"));
        typeInto(child<QLineEdit>(dialog, "canvasHeight"), QStringLiteral("95"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdCanvasSize));
    ASSERT_TRUE(canvasSize.handled());
    EXPECT_EQ(d.layers().canvasSize(), (Size{140, 95}));
    EXPECT_EQ(regionBytes(d, Rect{40, 20, 140, 95}), resized);
    const std::array<int, 3> extension = pixelAt(d, 0, 0);
    EXPECT_EQ(pixelAt(d, 39, 94), extension);

    // Clockwise: the extension on the left comes to the top, the one on top to the right.
    ASSERT_TRUE(pickMenu(kCmdRotate90CW));
    EXPECT_EQ(d.layers().canvasSize(), (Size{95, 140}));
    EXPECT_EQ(pixelAt(d, 0, 0), extension);
    EXPECT_EQ(pixelAt(d, 94, 139), extension);
    const std::vector<uint8_t> rotatedPhoto = regionBytes(d, Rect{0, 40, 75, 140});

    // Trim cuts the border of the top-left pixel's colour away: the photo is left.
    ASSERT_TRUE(pickMenu(kCmdTrim));
    EXPECT_EQ(d.layers().canvasSize(), (Size{75, 100}));
    EXPECT_EQ(compositeBytes(d), rotatedPhoto);

    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    dragOnCanvas(canvasPoint(10, 20), canvasPoint(59, 89));
    const std::vector<uint8_t> chosen = regionBytes(d, Rect{10, 20, 60, 90});
    ASSERT_TRUE(pickMenu(kCmdCrop));
    EXPECT_EQ(d.layers().canvasSize(), (Size{50, 70}));
    EXPECT_EQ(regionBytes(d, Rect{0, 0, 50, 70}), chosen);
    EXPECT_EQ(stepNames(*doc->history()),
              (std::vector<std::string>{"Image Size", "Canvas Size", "Rotate Canvas", "Trim",
                                        "Rectangular Marquee", "Crop"}));
}

TEST_F(LaterSession, CloseAllAskedCancelThenNoAndYes) {
    const QString first = filePath(QStringLiteral("first.png"));
    const QString second = filePath(QStringLiteral("second.png"));
    ASSERT_TRUE(writePhoto(first, 40, 30, 1));
    ASSERT_TRUE(writePhoto(second, 40, 30, 2));
    const std::vector<uint8_t> firstOnDisk = decodedBytes(first);
    start();
    for (const QString& path : {first, second}) {
        ASSERT_TRUE(openThroughDialog(path));
        ASSERT_TRUE(pickMenu(kCmdInvert));
    }
    const std::vector<uint8_t> secondInverted = compositeBytes(*active()->document());

    {
        BoxAnswers answers({QStringLiteral("Cancel")});
        ASSERT_TRUE(pickMenu(kCmdFileCloseAll));
        EXPECT_EQ(
            answers.texts,
            QStringList{QStringLiteral("Varnel: Save changes to \"first.png\" before closing?")});
        EXPECT_EQ(window_->documentWindows().size(), 2);
    }
    {
        BoxAnswers answers({QStringLiteral("No"), QStringLiteral("Yes")});
        ASSERT_TRUE(pickMenu(kCmdFileCloseAll));
        EXPECT_EQ(answers.texts,
                  (QStringList{
                      QStringLiteral("Varnel: Save changes to \"first.png\" before closing?"),
                      QStringLiteral("Varnel: Save changes to \"second.png\" before closing?")}));
    }
    EXPECT_TRUE(window_->documentWindows().isEmpty());
    EXPECT_EQ(decodedBytes(first), firstOnDisk) << "No keeps the file as it was";
    EXPECT_EQ(decodedBytes(second), secondInverted) << "Yes saved the change";
}

TEST_F(LaterSession, ASecondStartHandsItsFileToTheRunningEditor) {
    const QString photo = filePath(QStringLiteral("postcard.png"));
    ASSERT_TRUE(writePhoto(photo, 60, 40));
    MainWindow& window = start();
    // This process is the running editor: it holds the lock and listens, as the program does.
    const InstanceAddress address = instanceAddress();
    InstanceLock lock(address.lockPath);
    ASSERT_EQ(lock.tryAcquire(), InstanceLock::Result::Acquired);
    InstanceServer server;
    ASSERT_TRUE(server.listen(address.serverName));
    QObject::connect(&server, &InstanceServer::pathsReceived, &window,
                     &MainWindow::openHandedOverPaths);
    QObject::connect(&server, &InstanceServer::activationRequested, &window,
                     &MainWindow::activateFromOtherInstance);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(work_.path());
    second.start(QStringLiteral(VARNEL_EDITOR_BINARY), {QStringLiteral("postcard.png")});
    ASSERT_TRUE(second.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return second.state() == QProcess::NotRunning; }, 60000))
        << "the second start did not end";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();

    ASSERT_TRUE(waitFor([&] { return window.documentWindows().size() == 1; }));
    EXPECT_EQ(active()->documentPath(), photo.toStdString());
    EXPECT_EQ(titleOf(active()), QStringLiteral("postcard.png @ 100%"));
    EXPECT_EQ(window.settings().recent_files.front(), photo.toStdString());
}

TEST_F(LaterSession, OptionsForHistoryStatesAndRecentFilesTakeEffectAtOnce) {
    MainWindow& window = start();
    QStringList photos;
    for (int i = 0; i < 3; ++i) {
        photos.append(filePath(QStringLiteral("p%1.png").arg(i)));
        ASSERT_TRUE(writePhoto(photos.back(), 30, 20, uint32_t(i)));
        ASSERT_TRUE(openThroughDialog(photos.back()));
    }
    ImageWindow* doc = active();
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(pickMenu(kCmdInvert));
    ASSERT_EQ(doc->history()->count(), 6);

    ModalAnswer options([&](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Options"));
        typeInto(child<QLineEdit>(dialog, "optionsRecentFiles"), QStringLiteral("2"));
        auto* pages = child<QTreeWidget>(dialog, "optionsPages");
        ASSERT_TRUE(pages);
        const QList<QTreeWidgetItem*> edit =
            pages->findItems(QStringLiteral("Edit"), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(edit.size(), 1);
        QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                          pages->visualItemRect(edit[0]).center());
        typeInto(child<QLineEdit>(dialog, "optionsHistoryStates"), QStringLiteral("3"));
        clickButton(dialog, QStringLiteral("OK"));
    });
    ASSERT_TRUE(pickMenu(kCmdOptions));
    ASSERT_TRUE(options.handled());

    EXPECT_EQ(doc->history()->count(), 3);
    EXPECT_EQ(doc->history()->limit(), 3);
    QMenu* recent = nullptr;
    for (QMenu* menu : window.menuBar()->findChildren<QMenu*>())
        if (menu->title().remove(QLatin1Char('&')) == QLatin1String("Recent Files")) recent = menu;
    ASSERT_TRUE(recent);
    QStringList entries;
    for (QAction* a : recent->actions())
        if (!a->isSeparator() && a->data().toInt() != kCmdRecentClear) entries.append(a->text());
    EXPECT_EQ(entries, (QStringList{QStringLiteral("&1  ") + photos[2],
                                    QStringLiteral("&2  ") + photos[1]}));
    // Written at once, not only at exit.
    AppSettings onDisk;
    ASSERT_TRUE(onDisk.load(settingsPath_));
    EXPECT_EQ(onDisk.nb_history_states, 3);
    EXPECT_EQ(onDisk.max_recent_files, 2);
}

TEST_F(LaterSession, PrintWithPreviewToAPdfFile) {
    const QString photo = filePath(QStringLiteral("poster.png"));
    ASSERT_TRUE(writePhoto(photo, 120, 80));
    MainWindow& window = start();
    ASSERT_TRUE(openThroughDialog(photo));
    const QString pdf = filePath(QStringLiteral("poster-print.pdf"));

    bool previewShown = false, printShown = false;
    std::unique_ptr<ModalAnswer> printing;
    ModalAnswer preview([&](QWidget* dialog) {
        previewShown = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print with Preview"));
        // The Print dialog follows once the preview has closed.
        printing = std::make_unique<ModalAnswer>([&](QWidget* print) {
            printShown = true;
            // To a PDF file, whatever printers the system has.
            if (auto* printers = print->findChild<QComboBox*>(QStringLiteral("printers"))) {
                for (int i = 0; i < printers->count(); ++i)
                    if (printers->itemText(i).contains(QLatin1String("PDF"))) {
                        printers->setCurrentIndex(i);
                        emit printers->activated(i);
                    }
            }
            auto* file = child<QLineEdit>(print, "filename");
            if (file) file->setText(pdf);
            QPushButton* ok = nullptr;
            for (QPushButton* b : print->findChildren<QPushButton*>())
                if (b->text().remove(QLatin1Char('&')) == QLatin1String("Print")) ok = b;
            ASSERT_TRUE(ok);
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        clickButton(dialog, QStringLiteral("previewPrint"));
    });
    ASSERT_TRUE(pickMenu(kCmdFilePrintPreview));
    EXPECT_TRUE(previewShown);
    EXPECT_TRUE(waitFor([&] { return printShown && QFileInfo::exists(pdf); }, 10000));

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    // One page, of the printer's paper.
    ASSERT_TRUE(window.currentPrinter());
    const QSizeF paper = window.currentPrinter()->pageLayout().fullRect(QPageLayout::Point).size();
    const QString info = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (info.isEmpty()) {
        ADD_FAILURE() << "pdfinfo (Debian package poppler-utils) is needed: run make deps";
    } else {
        QProcess p;
        p.start(info, {pdf});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
            << out.toStdString();
        const QRegularExpressionMatch size =
            QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts"))
                .match(out);
        ASSERT_TRUE(size.hasMatch()) << out.toStdString();
        EXPECT_NEAR(size.captured(1).toDouble(), paper.width(), 1.0);
        EXPECT_NEAR(size.captured(2).toDouble(), paper.height(), 1.0);
    }
}

TEST_F(LaterSession, CopyNewFromClipboardAndPaste) {
    const QString photo = filePath(QStringLiteral("garden.png"));
    ASSERT_TRUE(writePhoto(photo, 160, 100));
    start();
    ImageWindow* doc = openThroughDialog(photo);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(pickMenu(kCmdToolMarquee));
    dragOnCanvas(canvasPoint(20, 10), canvasPoint(99, 69));
    const std::vector<uint8_t> chosen = regionBytes(*doc->document(), Rect{20, 10, 100, 70});

    typeShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    ASSERT_TRUE(pickMenu(kCmdFileNewFromClipboard));
    ImageWindow* made = active();
    ASSERT_TRUE(made && made != doc);
    EXPECT_EQ(made->documentName(), "Clipboard-1");
    EXPECT_EQ(made->document()->layers().canvasSize(), (Size{80, 60}));
    EXPECT_EQ(compositeBytes(*made->document()), chosen);

    // Pasted back into the photo, in its place, as a layer of its own.
    window_->activateDocumentWindow(doc);
    const std::vector<uint8_t> photoBefore = compositeBytes(*doc->document());
    typeShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_EQ(currentStep(*doc->history()), "Paste");
    EXPECT_EQ(doc->document()->layers().count(), 2);
    EXPECT_EQ(compositeBytes(*doc->document()), photoBefore);
}

}  // namespace
}  // namespace varnel::e2e
