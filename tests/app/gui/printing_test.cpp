// Printing: the page routine writing real PDF files through QPrinter, read back by rendering them
// with pdftoppm, and the print commands of the main window over scripted printer dialogs.
#include "app/printing.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include "app/image_window.h"
#include "app/main_window.h"
#include "document/document.h"
#include "document/layer.h"
#include "document/layer_ops.h"
#include "gui_test_support.h"

// Rectangles in failure messages as x, y, width and height.
void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace varnel {
namespace {

using test::FakeCommandDialogs;
using test::FakeDesktop;
using test::FakeDialogs;
using test::FakeDocument;
using test::FakePrompts;

// Paper of 300 × 400 points with margins of 20: a printable area of 260 × 360. At 72 dots per
// inch a device pixel is a point, and pdftoppm at 72 renders one page pixel per device pixel.
constexpr int kPaperW = 300, kPaperH = 400, kMargin = 20;
constexpr int kAreaW = kPaperW - 2 * kMargin, kAreaH = kPaperH - 2 * kMargin;

std::unique_ptr<QPrinter> pdfPrinter(const QString& file) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(72);
    printer->setPageLayout(QPageLayout(
        QPageSize(QSizeF(kPaperW, kPaperH), QPageSize::Point, QString(), QPageSize::ExactMatch),
        QPageLayout::Portrait, QMarginsF(kMargin, kMargin, kMargin, kMargin), QPageLayout::Point));
    printer->setOutputFileName(file);
    return printer;
}

// The pages of a PDF file, in order, one pixel per device pixel of the test printer: each pixel
// is the colour at the centre of that device pixel. The renderer lets images spill into the
// device pixel that follows their right and bottom edges; sampling centres keeps that out.
std::vector<QImage> renderPages(const QString& pdf) {
    constexpr int kOversample = 4;
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty()) {
        ADD_FAILURE() << "pdftoppm (Debian package poppler-utils) is needed: run make deps";
        return {};
    }
    QTemporaryDir out;
    QProcess p;
    p.start(tool, {QStringLiteral("-r"), QString::number(72 * kOversample), QStringLiteral("-png"),
                   pdf, out.filePath(QStringLiteral("page"))});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << "pdftoppm failed on " << pdf.toStdString() << ": "
                      << p.readAllStandardError().toStdString();
        return {};
    }
    std::vector<QImage> pages;
    for (const QString& name :
         QDir(out.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name)) {
        const QImage big(out.filePath(name));
        QImage page(big.width() / kOversample, big.height() / kOversample, QImage::Format_RGB32);
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                page.setPixel(x, y,
                              big.pixel(x * kOversample + kOversample / 2,
                                        y * kOversample + kOversample / 2));
        pages.push_back(page);
    }
    return pages;
}

// A test image without white, each pixel of its own colour.
QImage distinctPixels(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 60));
    return image.convertToFormat(QImage::Format_BGR888);
}

// The smallest rectangle holding every pixel of the page that is not white.
QRect inkBounds(const QImage& page) {
    QRect r;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if ((page.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) r |= QRect(x, y, 1, 1);
    return r;
}

// Every page pixel inside `to` shows the image pixel that covers it at a whole enlargement, and
// the page is white everywhere else. Returns the number of pixels that differ.
int differencesFromEnlargement(const QImage& page, const QImage& image, QRect to) {
    const int factor = to.width() / image.width();
    int wrong = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            QRgb want = qRgb(255, 255, 255);
            if (to.contains(x, y))
                want = image.pixel((x - to.left()) / factor, (y - to.top()) / factor);
            if ((page.pixel(x, y) & 0xFFFFFF) != (want & 0xFFFFFF)) ++wrong;
        }
    }
    return wrong;
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

TEST(PrintJob, PdfPageShowsTheImageWhereThePlacementPutsIt) {
    QTemporaryDir dir;
    // The page origin of the printable area.
    const QPoint origin(kMargin, kMargin);
    struct Case {
        const char* what;
        QSize image;
        QRect onArea;  // where it lands within the printable area
    } cases[] = {
        // 8 wide: 195 / 8 = 24 (the height would allow 60).
        {"fits", {8, 6}, {34, 108, 192, 144}},
        // 20 tall: the height allows only 18 (the width 48).
        {"tall", {4, 20}, {94, 0, 72, 360}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.filePath(QString::fromLatin1(c.what) + QStringLiteral(".pdf"));
        auto printer = pdfPrinter(file);
        ASSERT_EQ(printableArea(*printer), QSize(kAreaW, kAreaH));
        const QImage image = distinctPixels(c.image.width(), c.image.height());
        ASSERT_TRUE(printJob(*printer, image));

        const std::vector<QImage> pages = renderPages(file);
        ASSERT_EQ(pages.size(), 1u);
        ASSERT_EQ(pages[0].size(), QSize(kPaperW, kPaperH));
        const QRect onPage = c.onArea.translated(origin);
        EXPECT_EQ(inkBounds(pages[0]), onPage);
        EXPECT_EQ(differencesFromEnlargement(pages[0], image, onPage), 0);
    }
}

TEST(PrintJob, ImageLargerThanThePrintableAreaIsReducedWithoutDistortion) {
    QTemporaryDir dir;
    // Four quarters of four colours, twice as wide as the area: 260 × 90 once reduced.
    QImage image(520, 180, QImage::Format_RGB32);
    const QRgb quarter[4] = {qRgb(200, 30, 30), qRgb(30, 160, 30), qRgb(30, 30, 200),
                             qRgb(20, 20, 20)};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, quarter[(y >= 90 ? 2 : 0) + (x >= 260 ? 1 : 0)]);
    const QString file = dir.filePath(QStringLiteral("large.pdf"));
    auto printer = pdfPrinter(file);
    ASSERT_TRUE(printJob(*printer, image.convertToFormat(QImage::Format_BGR888)));

    const std::vector<QImage> pages = renderPages(file);
    ASSERT_EQ(pages.size(), 1u);
    const QRect onPage(kMargin + 0, kMargin + 135, 260, 90);
    EXPECT_EQ(inkBounds(pages[0]), onPage);
    // The quarters keep their places: the image is neither cut nor squeezed.
    const QPoint centres[4] = {{65, 22}, {195, 22}, {65, 67}, {195, 67}};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(near(pages[0].pixel(onPage.topLeft() + centres[i]), quarter[i], 2)) << i;
}

TEST(PrintJob, ANullImagePrintsAnEmptyPageAndAnUnwritableFileFails) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("empty.pdf"));
    auto printer = pdfPrinter(file);
    EXPECT_TRUE(printJob(*printer, QImage()));
    const std::vector<QImage> pages = renderPages(file);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(inkBounds(pages[0]).isNull());

    auto nowhere = pdfPrinter(dir.filePath(QStringLiteral("missing/folder/out.pdf")));
    EXPECT_FALSE(printJob(*nowhere, distinctPixels(2, 2)));
}

// Scripted printer dialogs over a PDF printer of the test page (or no output at all).
class FakePrinters : public Printers {
public:
    std::unique_ptr<QPrinter> openDefault() override {
        ++opened;
        if (!hasOutput) return nullptr;
        return pdfPrinter(QString());
    }
    bool pageSetup(QPrinter& printer) override {
        log.push_back("page setup");
        if (onPageSetup) onPageSetup(printer);
        return pageSetupConfirms;
    }
    bool choosePrint(QPrinter& printer, std::optional<QPoint>& position) override {
        log.push_back("print dialog");
        positions.push_back(position);
        proposedFile = printer.outputFileName();
        jobName = printer.docName();
        if (onPrint) onPrint(printer);
        position = QPoint(120, 80 + int(positions.size()));
        return printConfirms;
    }
    PreviewChoice preview(QPrinter& printer, const std::function<void(QPrinter&)>& paintPage,
                          const std::function<bool()>& pageSetup) override {
        log.push_back("preview");
        if (onPreview) onPreview(printer, paintPage, pageSetup);
        return previewChoice;
    }

    bool hasOutput = true;
    bool pageSetupConfirms = true;
    bool printConfirms = true;
    PreviewChoice previewChoice = PreviewChoice::Done;
    std::function<void(QPrinter&)> onPageSetup, onPrint;
    std::function<void(QPrinter&, const std::function<void(QPrinter&)>&,
                       const std::function<bool()>&)>
        onPreview;
    int opened = 0;
    std::vector<std::string> log;
    std::vector<std::optional<QPoint>> positions;
    QString proposedFile, jobName;
};

// A main window with real image documents and scripted printer dialogs.
struct PrintFrame : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        MainWindowSetup setup;
        setup.settings = &settings;
        setup.documents = std::make_unique<ImageDocuments>(settings);
        auto pr = std::make_unique<FakePrompts>();
        prompts = pr.get();
        setup.prompts = std::move(pr);
        setup.fileDialogs = std::make_unique<FakeDialogs>();
        setup.desktop = std::make_unique<FakeDesktop>();
        setup.commandDialogs = std::make_unique<FakeCommandDialogs>();
        auto p = std::make_unique<FakePrinters>();
        printers = p.get();
        setup.printers = std::move(p);
        setup.programDirectory = dir.path();
        window = std::make_unique<MainWindow>(std::move(setup));
    }

    // Opens a 4 × 3 PNG whose pixel (1, 1) is transparent and (2, 1) half transparent, so that
    // the document's layer is not a background; a hidden copy of it in green lies on top.
    ImageWindow* openPhoto() {
        QImage image(4, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgb(40 * x, 60 * y, 30));
        image.setPixel(1, 1, qRgba(10, 10, 10, 0));
        image.setPixel(2, 1, qRgba(0, 100, 200, 128));
        const QString path = dir.filePath(QStringLiteral("photo.png"));
        EXPECT_TRUE(image.save(path, "PNG"));
        EXPECT_TRUE(window->openFile(path));
        auto* doc = dynamic_cast<ImageWindow*>(window->activeDocumentWindow());
        if (!doc) return nullptr;
        Document& d = *doc->document();
        auto* hidden = dynamic_cast<RasterLayer*>(duplicateLayer(d, "hidden"));
        EXPECT_TRUE(hidden);
        if (hidden) {
            hidden->pixels().fillAll(0x00FF00);
            hidden->setVisible(false);
            d.notify(ChangeRecord{&d, hidden, d.bounds(), kChangeVisibility});
        }
        return doc;
    }

    // The 4 × 3 photo over white, as it should print: enlarged 48 times (195 / 4) and centred.
    void expectPhotoPrinted(const QString& pdf) {
        const std::vector<QImage> pages = renderPages(pdf);
        ASSERT_EQ(pages.size(), 1u);
        const QRect onPage(kMargin + 34, kMargin + 108, 192, 144);
        EXPECT_EQ(inkBounds(pages[0]), onPage);
        QImage want(4, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) want.setPixel(x, y, qRgb(40 * x, 60 * y, 30));
        want.setPixel(1, 1, qRgb(255, 255, 255));  // transparent: the white below
        // Half transparent: each channel x moves towards white by 127 × (255 − x) / 256.
        want.setPixel(2, 1, qRgb(126, 176, 227));
        EXPECT_EQ(differencesFromEnlargement(pages[0], want, onPage), 0);
    }

    QTemporaryDir dir;
    AppSettings settings;
    FakePrompts* prompts = nullptr;
    FakePrinters* printers = nullptr;
    std::unique_ptr<MainWindow> window;
};

const std::string kNoPrinter =
    "info Information: Default printer not found. Please check your settings in the control "
    "panel.";

TEST_F(PrintFrame, CommandsAreShownAndNeedADocumentExceptPageSetup) {
    for (int id : {kCmdFilePageSetup, kCmdFilePrint, kCmdFilePrintPreview})
        EXPECT_TRUE(window->isCommandShown(id)) << id;
    EXPECT_EQ(window->action(kCmdFilePrint)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    window->updateCommandStates();
    EXPECT_TRUE(window->action(kCmdFilePageSetup)->isEnabled());
    EXPECT_FALSE(window->action(kCmdFilePrint)->isEnabled());
    EXPECT_FALSE(window->action(kCmdFilePrintPreview)->isEnabled());
    ASSERT_TRUE(openPhoto());
    window->updateCommandStates();
    EXPECT_TRUE(window->action(kCmdFilePrint)->isEnabled());
    EXPECT_TRUE(window->action(kCmdFilePrintPreview)->isEnabled());
}

TEST_F(PrintFrame, WithoutAnyOutputEachCommandSaysSoAndOpensNoDialog) {
    printers->hasOutput = false;
    ASSERT_TRUE(openPhoto());
    for (int id : {kCmdFilePrintPreview, kCmdFilePrint, kCmdFilePageSetup}) {
        prompts->log.clear();
        window->runCommand(id);
        EXPECT_EQ(prompts->log, std::vector<std::string>{kNoPrinter}) << id;
    }
    EXPECT_TRUE(printers->log.empty());
    // The system is asked again each time: a printer added meanwhile is found.
    EXPECT_EQ(printers->opened, 3);
    EXPECT_EQ(window->currentPrinter(), nullptr);
}

TEST_F(PrintFrame, PrintWritesTheCompositeOverWhiteToAPdfNamedAfterTheDocument) {
    ASSERT_TRUE(openPhoto());
    window->runCommand(kCmdFilePrint);
    EXPECT_EQ(printers->log, std::vector<std::string>{"print dialog"});
    EXPECT_EQ(printers->jobName, QStringLiteral("Orvane Document"));
    const QString pdf = dir.filePath(QStringLiteral("photo.pdf"));
    EXPECT_EQ(printers->proposedFile, pdf);
    EXPECT_TRUE(prompts->log.empty());
    expectPhotoPrinted(pdf);
}

TEST_F(PrintFrame, CancelledPrintDialogPrintsNothing) {
    ASSERT_TRUE(openPhoto());
    printers->printConfirms = false;
    EXPECT_FALSE(window->printDocument(window->activeDocumentWindow()));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("photo.pdf"))));
    EXPECT_TRUE(prompts->log.empty());
}

TEST_F(PrintFrame, AFailedJobShowsAnError) {
    ASSERT_TRUE(openPhoto());
    const QString target = dir.filePath(QStringLiteral("no such folder/photo.pdf"));
    printers->onPrint = [&](QPrinter& p) { p.setOutputFileName(target); };
    EXPECT_FALSE(window->printDocument(window->activeDocumentWindow()));
    ASSERT_EQ(prompts->log.size(), 1u);
    EXPECT_EQ(prompts->log[0], "error: Error printing \"photo.png\"!\nThe file \"" +
                                   target.toStdString() + "\" could not be written.");

    // A window that has no image to give is refused the same way, never printed blank.
    FakeDocument blank("", "blank");
    prompts->log.clear();
    printers->onPrint = nullptr;
    EXPECT_FALSE(window->printDocument(&blank));
    ASSERT_EQ(prompts->log.size(), 1u);
    EXPECT_EQ(prompts->log[0],
              "error: Error printing \"blank\"!\nThere is not enough memory for the image.");
}

TEST_F(PrintFrame, PrinterSettingsAndDialogPositionLastForTheRun) {
    ASSERT_TRUE(openPhoto());
    printers->onPageSetup = [](QPrinter& p) { p.setPageOrientation(QPageLayout::Landscape); };
    EXPECT_TRUE(window->pageSetup());
    QPrinter* printer = window->currentPrinter();
    ASSERT_TRUE(printer);

    // The output file the user chose is kept, its folder used for the next proposal.
    QDir(dir.path()).mkdir(QStringLiteral("out"));
    const QString chosen = dir.filePath(QStringLiteral("out/first.pdf"));
    printers->onPrint = [&](QPrinter& p) { p.setOutputFileName(chosen); };
    EXPECT_TRUE(window->printDocument(window->activeDocumentWindow()));
    printers->onPrint = nullptr;
    EXPECT_TRUE(window->printDocument(window->activeDocumentWindow()));
    EXPECT_EQ(printers->proposedFile, dir.filePath(QStringLiteral("out/photo.pdf")));

    EXPECT_EQ(printers->opened, 1);
    EXPECT_EQ(window->currentPrinter(), printer);
    EXPECT_EQ(printer->pageLayout().orientation(), QPageLayout::Landscape);
    // The first Print dialog opens where the system puts it, the next where the last closed.
    ASSERT_EQ(printers->positions.size(), 2u);
    EXPECT_FALSE(printers->positions[0].has_value());
    EXPECT_EQ(printers->positions[1], QPoint(120, 81));

    // Landscape: 400 × 300 paper, a printable area of 360 × 260; 270 / 4 = 67, 67 × 3 < 260.
    const std::vector<QImage> pages = renderPages(chosen);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].size(), QSize(kPaperH, kPaperW));
    EXPECT_EQ(inkBounds(pages[0]), QRect(kMargin + 46, kMargin + 29, 268, 201));
}

TEST_F(PrintFrame, PreviewPaintsThePageAndItsButtonsLeadOn) {
    ASSERT_TRUE(openPhoto());
    const QString previewPdf = dir.filePath(QStringLiteral("preview.pdf"));
    bool setupChanged = false;
    QPrinter* previewed = nullptr;
    printers->onPreview = [&](QPrinter& p, const std::function<void(QPrinter&)>& paint,
                              const std::function<bool()>& pageSetup) {
        previewed = &p;
        // What the preview draws is the printed page itself.
        auto target = pdfPrinter(previewPdf);
        paint(*target);
        setupChanged = pageSetup();
    };

    printers->previewChoice = Printers::PreviewChoice::Done;
    window->runCommand(kCmdFilePrintPreview);
    EXPECT_EQ(printers->log, (std::vector<std::string>{"preview", "page setup"}));
    EXPECT_EQ(previewed, window->currentPrinter());
    EXPECT_TRUE(setupChanged);
    expectPhotoPrinted(previewPdf);

    printers->log.clear();
    printers->previewChoice = Printers::PreviewChoice::Cancel;
    printers->pageSetupConfirms = false;
    window->runCommand(kCmdFilePrintPreview);
    EXPECT_EQ(printers->log, (std::vector<std::string>{"preview", "page setup"}));
    EXPECT_FALSE(setupChanged);

    // Print... closes the preview and goes on to the Print dialog.
    printers->log.clear();
    printers->previewChoice = Printers::PreviewChoice::Print;
    window->runCommand(kCmdFilePrintPreview);
    EXPECT_EQ(printers->log, (std::vector<std::string>{"preview", "page setup", "print dialog"}));
    expectPhotoPrinted(dir.filePath(QStringLiteral("photo.pdf")));
    EXPECT_TRUE(prompts->log.empty());
}

// The system's own dialogs: the Print dialog opens where it was last closed.
TEST(SystemPrinters, PrintDialogReopensWhereItWasClosed) {
    auto printers = systemPrinters(nullptr);
    std::unique_ptr<QPrinter> printer = printers->openDefault();
    ASSERT_TRUE(printer);  // a printer, or at least a PDF file
    std::optional<QPoint> position;
    QPoint seen;
    auto closeAfter = [&](std::function<void(QWidget*)> act) {
        QTimer::singleShot(0, [act] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                act(dialog);
                dialog->close();
            }
        });
    };
    closeAfter([](QWidget* dialog) { dialog->move(150, 90); });
    EXPECT_FALSE(printers->choosePrint(*printer, position));
    EXPECT_EQ(position, QPoint(150, 90));
    closeAfter([&](QWidget* dialog) { seen = dialog->pos(); });
    EXPECT_FALSE(printers->choosePrint(*printer, position));
    EXPECT_EQ(seen, QPoint(150, 90));
}

}  // namespace
}  // namespace varnel
