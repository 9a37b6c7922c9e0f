#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>
#include <cstring>

#include "app/command_table.h"
#include "app/help_window.h"
#include "core/clipboard_store.h"
#include "gui_test_support.h"
#include "history/history_action.h"
#include "tools/options_bar.h"
#include "tools/toolbox.h"

namespace varnel {
namespace {

using test::FakeCommandDialogs;
using test::FakeDesktop;
using test::FakeDialogs;
using test::FakeDocument;
using test::FakePrompts;
using test::FakeProvider;
using test::Journal;
using Answer = Prompts::Answer;

// A main window over fakes, with a scratch folder of image files.
struct Frame : ::testing::Test {
    void SetUp() override { build(); }

    void build(bool withDocuments = true) {
        MainWindowSetup setup;
        setup.settings = &settings;
        setup.settingsPath = settingsPath;
        auto p = std::make_unique<FakeProvider>();
        provider = p.get();
        provider->commands = {kCmdEditUndo, kCmdEditRedo, kCmdEditPurgeUndo, kCmdInvert};
        provider->journal = &journal;
        if (withDocuments) setup.documents = std::move(p);
        auto pr = std::make_unique<FakePrompts>();
        prompts = pr.get();
        setup.prompts = std::move(pr);
        auto d = std::make_unique<FakeDialogs>();
        dialogs = d.get();
        setup.fileDialogs = std::move(d);
        auto dk = std::make_unique<FakeDesktop>();
        desktop = dk.get();
        setup.desktop = std::move(dk);
        auto cd = std::make_unique<FakeCommandDialogs>();
        commandDialogs = cd.get();
        setup.commandDialogs = std::move(cd);
        setup.clipboard = &clipboard;
        setup.programDirectory = dir.path();
        window = std::make_unique<MainWindow>(std::move(setup));
        if (!withDocuments) ownedProvider = std::move(p);
    }

    // A file in the scratch folder (created, so that it exists) that the provider can open.
    std::string image(const char* name) {
        QString path = dir.filePath(QString::fromUtf8(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        provider->openable.insert(path.toStdString());
        return path.toStdString();
    }

    FakeDocument* open(const std::string& path) {
        EXPECT_TRUE(window->openFile(QString::fromStdString(path)));
        return dynamic_cast<FakeDocument*>(window->activeDocumentWindow());
    }

    std::vector<std::string> documentNames() const {
        std::vector<std::string> out;
        for (DocumentWindow* w : window->documentWindows()) out.push_back(w->documentName());
        return out;
    }

    QTemporaryDir dir;
    AppSettings settings;
    std::string settingsPath;
    // What the documents did; kept here so that it outlives the documents and the window.
    Journal journal;
    FakeProvider* provider = nullptr;
    std::unique_ptr<FakeProvider> ownedProvider;
    FakePrompts* prompts = nullptr;
    FakeDialogs* dialogs = nullptr;
    FakeDesktop* desktop = nullptr;
    FakeCommandDialogs* commandDialogs = nullptr;
    FakeSystemClipboard systemClipboard;
    ClipboardStore clipboard{&systemClipboard};
    std::unique_ptr<MainWindow> window;
};

using Strings = std::vector<std::string>;

// ---- Opening ----------------------------------------------------------------------------------

TEST_F(Frame, OpeningAnOpenFileActivatesItsWindowInsteadOfOpeningItAgain) {
    std::string a = image("a.png"), b = image("b.png");
    QFile::link(QString::fromStdString(a), dir.filePath(QStringLiteral("link.png")));
    open(a);
    open(b);
    ASSERT_EQ(window->activeDocumentWindow()->documentName(), "b.png");
    const QString sameFile[] = {
        QString::fromStdString(a),
        dir.path() + QStringLiteral("/./sub/../a.png"),
        dir.filePath(QStringLiteral("link.png")),
    };
    for (const QString& path : sameFile) {
        window->activateDocumentWindow(window->documentWindows()[1]);
        EXPECT_TRUE(window->openFile(path)) << path.toStdString();
        EXPECT_EQ(window->activeDocumentWindow()->documentName(), "a.png") << path.toStdString();
    }
    EXPECT_EQ(provider->attempts, (Strings{a, b}));
    EXPECT_EQ(documentNames(), (Strings{"a.png", "b.png"}));
    EXPECT_EQ(settings.recent_files, (Strings{b, a}));
}

TEST_F(Frame, FailedOpenShowsTheMessageAndLeavesNoWindow) {
    std::string missing = dir.filePath(QStringLiteral("gone.jpg")).toStdString();
    EXPECT_FALSE(window->openFile(QString::fromStdString(missing)));
    EXPECT_EQ(prompts->log, Strings{"error: Cannot open file \"" + missing + "\"!"});
    EXPECT_TRUE(window->documentWindows().isEmpty());
    EXPECT_TRUE(settings.recent_files.empty());
}

TEST_F(Frame, OpenCommandOffersAllFormatsAndOpensEveryChosenFile) {
    std::string a = image("a.png"), b = image("b.jpg");
    dialogs->toOpen = {QString::fromStdString(a), QString::fromStdString(b)};
    window->runCommand(kCmdFileOpen);
    EXPECT_EQ(dialogs->openFilterIndex, 9);
    EXPECT_EQ(openFilterEntryCount(), 9);
    EXPECT_TRUE(dialogs->openFilter.contains(QLatin1String("|All Formats|")));
    EXPECT_EQ(provider->attempts, (Strings{a, b}));
    EXPECT_EQ(settings.recent_files, (Strings{b, a}));

    dialogs->toOpen = {};
    window->runCommand(kCmdFileOpen);  // cancelled
    EXPECT_EQ(provider->attempts.size(), 2u);
}

TEST_F(Frame, DroppedFilesOpenLastFirst) {
    std::string a = image("a.png"), b = image("b.png"), c = image("c.png");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                  QUrl(QStringLiteral("https://x/y.png")),
                  QUrl::fromLocalFile(QString::fromStdString(b)),
                  QUrl::fromLocalFile(QString::fromStdString(c))});
    QStringList dropped = MainWindow::droppedFiles(&data);
    EXPECT_EQ(dropped.size(), 3);  // local files only
    window->openDroppedFiles(dropped);
    EXPECT_EQ(provider->attempts, (Strings{c, b, a}));
    EXPECT_EQ(documentNames(), (Strings{"c.png", "b.png", "a.png"}));
}

TEST_F(Frame, HandedOverPathsOpenLikeOpen) {
    std::string a = image("a.png");
    window->openHandedOverPaths({QString::fromStdString(a), dir.filePath(QStringLiteral("x.gif"))});
    EXPECT_EQ(documentNames(), Strings{"a.png"});
    ASSERT_EQ(prompts->log.size(), 1u);
    EXPECT_EQ(prompts->log[0].rfind("error: Cannot open file", 0), 0u);
}

TEST_F(Frame, HandedOverPathsWaitForAModalDialogToClose) {
    window->show();
    std::string a = image("a.png"), b = image("b.png"), c = image("c.png");
    const auto qpath = [](const std::string& p) { return QString::fromStdString(p); };
    {
        QDialog dialog(window.get());
        dialog.setModal(true);
        dialog.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        window->openHandedOverPaths({qpath(a)});
        window->activateFromOtherInstance();
        window->openHandedOverPaths({qpath(b), qpath(a)});  // a later start, still waiting
        QApplication::processEvents();
        EXPECT_TRUE(provider->attempts.empty());
        EXPECT_EQ(window->pendingHandedOverPaths().size(), 3);
        dialog.hide();
        // In the order they came; the repeated path finds its document open.
        EXPECT_TRUE(test::waitFor([&] { return provider->attempts.size() == 2; }));
        EXPECT_EQ(provider->attempts, (Strings{a, b}));
        EXPECT_EQ(documentNames(), (Strings{"a.png", "b.png"}));
        EXPECT_TRUE(window->pendingHandedOverPaths().isEmpty());
    }
    {
        // A dialog modal to another window never blocked this one: the paths still wait for it.
        QWidget other;
        other.show();
        QDialog dialog(&other);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
        window->openHandedOverPaths({qpath(c)});
        QApplication::processEvents();
        EXPECT_EQ(provider->attempts.size(), 2u);
        dialog.hide();
        EXPECT_TRUE(test::waitFor([&] { return provider->attempts.size() == 3; }));
        EXPECT_EQ(documentNames(), (Strings{"a.png", "b.png", "c.png"}));
    }
    // With no dialog open they open at once.
    std::string d = image("d.png");
    window->openHandedOverPaths({qpath(d)});
    EXPECT_EQ(provider->attempts.back(), d);
}

// ---- Recent files -----------------------------------------------------------------------------

TEST_F(Frame, PickingARecentFileOpensItAndMovesItUpOrRemovesItWhenItFails) {
    std::string a = image("a.png"), b = image("b.png"), c = image("c.png");
    std::string gone = dir.filePath(QStringLiteral("gone.png")).toStdString();
    settings.recent_files = {a, gone, b, c};
    window->recentFiles().rebuildRecentMenu();

    window->runCommand(kCmdRecentFirst + 3);  // c, the oldest
    EXPECT_EQ(settings.recent_files, (Strings{c, a, gone, b}));

    window->runCommand(kCmdRecentFirst + 2);  // the file that went away
    EXPECT_EQ(prompts->log, Strings{"error: Cannot open file \"" + gone + "\"!"});
    EXPECT_EQ(settings.recent_files, (Strings{c, a, b}));

    window->runCommand(kCmdRecentFirst + 1);  // a
    EXPECT_EQ(settings.recent_files, (Strings{a, c, b}));
    window->runCommand(kCmdRecentFirst + 2);  // b
    EXPECT_EQ(settings.recent_files, (Strings{b, a, c}));
    window->runCommand(kCmdRecentFirst + 1);  // a again: already open, still moves up
    EXPECT_EQ(settings.recent_files, (Strings{a, b, c}));
    EXPECT_EQ(documentNames(), (Strings{"c.png", "a.png", "b.png"}));

    window->runCommand(kCmdRecentFirst + 7);  // no such entry
    EXPECT_EQ(settings.recent_files.size(), 3u);
}

TEST_F(Frame, RecentFilesSubmenuSitsInTheFileMenu) {
    QMenu* recentMenu = window->recentFiles().menu();
    ASSERT_NE(recentMenu, nullptr);
    EXPECT_EQ(recentMenu->title(), QStringLiteral("Recent Files"));
    QMenu* file = window->menuBar()->actions().first()->menu();
    EXPECT_EQ(file->title(), QStringLiteral("&File"));
    EXPECT_TRUE(file->actions().contains(recentMenu->menuAction()));
    ASSERT_EQ(recentMenu->actions().size(), 1);
    EXPECT_EQ(recentMenu->actions()[0]->text(), QStringLiteral("(Empty)"));
}

// ---- Saving -----------------------------------------------------------------------------------

TEST_F(Frame, SaveWritesAModifiedDocumentToItsOwnFile) {
    std::string a = image("a.png"), other = image("other.png");
    FakeDocument* doc = open(a);
    window->runCommand(kCmdFileSave);  // unmodified: nothing happens
    EXPECT_TRUE(doc->saves.empty());

    doc->modified = true;
    open(other);
    window->activateDocumentWindow(doc);
    window->runCommand(kCmdFileSave);
    EXPECT_EQ(doc->saves, Strings{a});
    EXPECT_FALSE(doc->modified);
    EXPECT_EQ(dialogs->saveDialogs, 0);
    EXPECT_EQ(settings.recent_files, (Strings{a, other}));
}

TEST_F(Frame, WhatAnOpenedFileLeftOutIsSaidInTheStatusBar) {
    provider->openNote = "Layer \"Photo\" was left out: its image is not PNG.";
    ASSERT_NE(open(image("layers.ora")), nullptr);
    EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromStdString(provider->openNote));
    EXPECT_TRUE(prompts->log.empty());
}

TEST_F(Frame, SaveGoesThroughSaveAsWhenTheDocumentCannotBeWrittenWhereItCameFrom) {
    struct Case {
        const char* name;
        const char* file;  // opened from this file; "" for an untitled document
        bool deleteFile;
        int filterIndex;
        const char* proposed;
    } cases[] = {
        {"untitled", "", false, 3, "Untitled-1.png"},
        {"GIF cannot be written", "anim.gif", false, 3, "anim.png"},
        {"ICO cannot be written", "icon.ico", false, 3, "icon.png"},
        {"file deleted since", "gone.png", true, 3, "gone.png"},
        {"BMP file deleted", "pic.bmp", true, 1, "pic.bmp"},
        {"JPEG file deleted", "pic.jpeg", true, 2, "pic.jpg"},
        {"layered file deleted", "pic.ora", true, 4, "pic.ora"},
    };
    for (const Case& c : cases) {
        FakeDocument* doc;
        QString folder;
        if (*c.file) {
            std::string path = image(c.file);
            doc = open(path);
            folder = dir.path() + QLatin1Char('/');
            if (c.deleteFile) QFile::remove(QString::fromStdString(path));
        } else {
            auto fresh = std::make_unique<FakeDocument>("", "Untitled-1");
            doc = fresh.get();
            window->addDocumentWindow(std::move(fresh));
        }
        doc->modified = true;
        dialogs->saveChoice.reset();  // cancelled
        window->runCommand(kCmdFileSave);
        EXPECT_EQ(dialogs->saveFilter,
                  QStringLiteral("BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png|"
                                 "OpenRaster (*.ora)|*.ora|WebP (*.webp)|*.webp|"
                                 "WebP lossless (*.webp)|*.webp|TIFF (*.tif)|*.tif|"))
            << c.name;
        EXPECT_EQ(dialogs->saveFilterIndex, c.filterIndex) << c.name;
        EXPECT_EQ(dialogs->proposed, folder + QString::fromUtf8(c.proposed)) << c.name;
        EXPECT_TRUE(doc->saves.empty()) << c.name;
        EXPECT_TRUE(doc->modified) << c.name;
        window->closeAll();
        prompts->answers = {Answer::No};
    }
}

TEST_F(Frame, SaveAsGivesTheNameTheChosenFormatsExtension) {
    struct Case {
        const char* typed;
        int filter;
        const char* saved;
    } cases[] = {
        {"new", 2, "new.jpg"},
        {"new.jpeg", 2, "new.jpeg"},
        {"new.JPG", 2, "new.JPG"},
        {"new.png", 2, "new.jpg"},
        {"new", 1, "new.bmp"},
        {"new.dib", 1, "new.dib"},
        {"new", 3, "new.png"},
        {"new.png", 3, "new.png"},
        // Another format's extension, in any case, is replaced; an unknown one is kept.
        {"NEW.PNG", 2, "NEW.jpg"},
        {"new.gif", 1, "new.bmp"},
        {"new.jpg", 3, "new.png"},
        {"new.JPEG", 2, "new.JPEG"},
        {"new.Bmp", 1, "new.Bmp"},
        {"new.txt", 3, "new.txt.png"},
        {"my.photo", 2, "my.photo.jpg"},
        {"layers", 4, "layers.ora"},
        {"layers.png", 4, "layers.ora"},
        {"layers.ora", 3, "layers.png"},
    };
    std::string a = image("a.png");
    FakeDocument* doc = open(a);
    for (const Case& c : cases) {
        dialogs->saveChoice =
            FileDialogs::SaveChoice{dir.filePath(QString::fromUtf8(c.typed)), c.filter};
        doc->saves.clear();
        window->runCommand(kCmdFileSaveAs);
        EXPECT_EQ(doc->saves, Strings{dir.filePath(QString::fromUtf8(c.saved)).toStdString()})
            << c.typed;
        EXPECT_EQ(doc->documentName(), c.saved);
        EXPECT_EQ(settings.recent_files.front(), doc->saves.front());
    }
}

TEST_F(Frame, SaveAsAsksBeforeReplacingAFileUnderTheCompletedName) {
    std::string a = image("a.png");
    image("taken.jpg");
    FakeDocument* doc = open(a);
    dialogs->saveChoice = FileDialogs::SaveChoice{dir.filePath(QStringLiteral("taken")), 2};
    prompts->confirm = false;
    window->runCommand(kCmdFileSaveAs);
    EXPECT_TRUE(doc->saves.empty());
    ASSERT_EQ(prompts->log.size(), 1u);
    EXPECT_NE(prompts->log[0].find("taken.jpg\" already exists"), std::string::npos);
    prompts->confirm = true;
    window->runCommand(kCmdFileSaveAs);
    EXPECT_EQ(doc->saves, Strings{dir.filePath(QStringLiteral("taken.jpg")).toStdString()});
}

TEST_F(Frame, FailedSaveShowsTheMessageAndKeepsTheDocumentAsItWas) {
    std::string a = image("a.png");
    FakeDocument* doc = open(a);
    doc->modified = true;
    doc->saveFails = true;
    std::string target = dir.filePath(QStringLiteral("copy.bmp")).toStdString();
    dialogs->saveChoice = FileDialogs::SaveChoice{QString::fromStdString(target), 1};
    window->runCommand(kCmdFileSaveAs);
    EXPECT_EQ(prompts->log, Strings{"error: Error saving file \"" + target + "\"!"});
    EXPECT_EQ(doc->documentPath(), a);
    EXPECT_TRUE(doc->modified);
    EXPECT_EQ(settings.recent_files, Strings{a});
}

// The reason a document gives for a failed open or save is the detail of the error box, as a
// sentence; the box's own text stays as it is. No reason, no detail.
TEST_F(Frame, ErrorBoxesCarryTheReasonAsTheirDetail) {
    std::string missing = dir.filePath(QStringLiteral("wide.bmp")).toStdString();
    provider->openFailure = "width 40000 exceeds the 30000-pixel limit";
    EXPECT_FALSE(window->openFile(QString::fromStdString(missing)));
    provider->openFailure.clear();
    EXPECT_FALSE(window->openFile(QString::fromStdString(missing + "2")));

    FakeDocument* doc = open(image("a.png"));
    doc->saveFails = true;
    doc->saveFailure = "disk full";
    std::string target = dir.filePath(QStringLiteral("copy.bmp")).toStdString();
    dialogs->saveChoice = FileDialogs::SaveChoice{QString::fromStdString(target), 1};
    window->runCommand(kCmdFileSaveAs);

    EXPECT_EQ(prompts->log, (Strings{"error: Cannot open file \"" + missing + "\"!",
                                     "error: Cannot open file \"" + missing + "2\"!",
                                     "error: Error saving file \"" + target + "\"!"}));
    EXPECT_EQ(prompts->details,
              (Strings{"Width 40000 exceeds the 30000-pixel limit.", "", "Disk full."}));
}

// ---- Closing ----------------------------------------------------------------------------------

// A document without a file, as New or Paste as New make it.
FakeDocument* addUntitled(MainWindow& window, Journal& journal) {
    auto fresh = std::make_unique<FakeDocument>("", "Untitled-1", &journal);
    FakeDocument* doc = fresh.get();
    window.addDocumentWindow(std::move(fresh));
    return doc;
}

TEST_F(Frame, ClosingAModifiedDocumentAsksWhetherToSaveIt) {
    struct Case {
        const char* name;
        bool untitled;
        Answer answer;
        bool saveFails;
        bool dialogGivesName;
        bool closed;
        Strings effects;  // what the document did, its window going away included
    } cases[] = {
        {"No closes without saving", false, Answer::No, false, false, true, {"close a.png"}},
        {"Cancel keeps it", false, Answer::Cancel, false, false, false, {}},
        {"Yes saves, then closes",
         false,
         Answer::Yes,
         false,
         false,
         true,
         {"save a.png to a.png", "close a.png"}},
        {"Yes with a failing save keeps it",
         false,
         Answer::Yes,
         true,
         false,
         false,
         {"failed save a.png to a.png"}},
        {"Yes on an untitled document asks for a name; cancelled keeps it",
         true,
         Answer::Yes,
         false,
         false,
         false,
         {}},
        {"Yes on an untitled document, name given: saved and closed",
         true,
         Answer::Yes,
         false,
         true,
         true,
         {"save Untitled-1 to named.png", "close named.png"}},
    };
    for (const Case& c : cases) {
        prompts->log.clear();
        journal.clear();
        FakeDocument* doc = c.untitled ? addUntitled(*window, journal) : open(image("a.png"));
        doc->modified = true;
        doc->saveFails = c.saveFails;
        prompts->answers = {c.answer};
        dialogs->saveChoice.reset();
        if (c.dialogGivesName)
            dialogs->saveChoice = FileDialogs::SaveChoice{dir.filePath(QStringLiteral("named")), 3};
        std::string name = doc->documentName();
        bool closed = window->closeDocument(doc);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(closed, c.closed) << c.name;
        EXPECT_EQ(window->documentWindows().isEmpty(), c.closed) << c.name;
        EXPECT_EQ(journal, c.effects) << c.name;
        ASSERT_FALSE(prompts->log.empty()) << c.name;
        EXPECT_EQ(prompts->log[0], "ask Varnel: Save changes to \"" + name + "\" before closing?")
            << c.name;
        if (c.saveFails) {
            EXPECT_EQ(prompts->log.back().rfind("error: Error saving file", 0), 0u) << c.name;
        }
        if (!c.closed) {
            EXPECT_TRUE(doc->modified) << c.name;
            doc->modified = false;
            ASSERT_TRUE(window->closeDocument(doc)) << c.name;
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
}

TEST_F(Frame, UnmodifiedDocumentsCloseWithoutAQuestion) {
    FakeDocument* doc = open(image("a.png"));
    window->runCommand(kCmdFileClose);
    EXPECT_TRUE(window->documentWindows().isEmpty());
    EXPECT_TRUE(prompts->log.empty());
    EXPECT_TRUE(doc->saves.empty());
}

TEST_F(Frame, ExitAsksAboutEveryModifiedDocumentBeforeClosingAny) {
    // Four documents: a.png, unchanged.png (never asked about), b.png or an untitled one whose
    // Save As is cancelled, and c.png; all but unchanged.png are modified.
    struct Case {
        const char* name;
        bool untitledSecond;
        bool thirdSaveFails;
        std::deque<Answer> answers;
        size_t questions;
        bool exits;
        Strings effects;  // what the documents did, windows going away included
    } cases[] = {
        {"Cancel at the second question keeps all",
         false,
         false,
         {Answer::No, Answer::Cancel},
         2,
         false,
         {}},
        {"Cancel at the last question keeps all",
         false,
         false,
         {Answer::No, Answer::No, Answer::Cancel},
         3,
         false,
         {}},
        {"Yes saves at once; a failed save keeps all",
         false,
         true,
         {Answer::Yes, Answer::No, Answer::Yes},
         3,
         false,
         {"save a.png to a.png", "failed save c.png to c.png"}},
        {"Yes with a cancelled Save As keeps all",
         true,
         false,
         {Answer::No, Answer::Yes},
         2,
         false,
         {}},
        {"every answer in: all close without a second round",
         false,
         false,
         {Answer::Yes, Answer::No, Answer::No},
         3,
         true,
         {"save a.png to a.png", "close a.png", "close unchanged.png", "close b.png",
          "close c.png"}},
    };
    for (const Case& c : cases) {
        window.reset();
        build();
        window->show();
        FakeDocument* a = open(image("a.png"));
        open(image("unchanged.png"));
        FakeDocument* b = c.untitledSecond ? addUntitled(*window, journal) : open(image("b.png"));
        FakeDocument* d = open(image("c.png"));
        for (FakeDocument* doc : {a, b, d}) doc->modified = true;
        d->saveFails = c.thirdSaveFails;
        prompts->answers = c.answers;
        journal.clear();
        const std::string second = b->documentName();

        window->runCommand(kCmdAppExit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(journal, c.effects) << c.name;
        std::vector<std::string> questions;
        for (const std::string& line : prompts->log)
            if (line.rfind("ask ", 0) == 0) questions.push_back(line);
        ASSERT_EQ(questions.size(), c.questions) << c.name;
        EXPECT_EQ(questions[0], "ask Varnel: Save changes to \"a.png\" before closing?") << c.name;
        EXPECT_NE(questions[1].find("\"" + second + "\""), std::string::npos) << c.name;
        EXPECT_EQ(window->isVisible(), !c.exits) << c.name;
        EXPECT_EQ(window->documentWindows().size(), c.exits ? 0 : 4) << c.name;
        if (c.exits) continue;
        // A document saved in the round stays saved; the others keep their changes.
        const bool firstSaved = !c.effects.empty() && c.effects[0] == "save a.png to a.png";
        EXPECT_EQ(a->modified, !firstSaved) << c.name;
        EXPECT_TRUE(b->modified && d->modified) << c.name;
        if (c.thirdSaveFails) {
            EXPECT_EQ(prompts->log.back(),
                      "error: Error saving file \"" + d->documentPath() + "\"!")
                << c.name;
        }
    }
}

// ---- New documents ----------------------------------------------------------------------------

// A packed 24-bit bitmap of w x h pixels of one colour (blue, green, red bytes).
std::vector<uint8_t> packedBitmap(int32_t w, int32_t h, uint8_t b, uint8_t g, uint8_t r) {
    const int32_t rowBytes = (w * 3 + 3) / 4 * 4;
    std::vector<uint8_t> block(40 + size_t(rowBytes) * size_t(h), 0);
    const int32_t fields[] = {40, w, h};
    std::memcpy(block.data(), fields, sizeof fields);
    block[12] = 1;   // planes
    block[14] = 24;  // bits per pixel
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = block.data() + 40 + y * rowBytes + 3 * x;
            p[0] = b, p[1] = g, p[2] = r;
        }
    return block;
}

TEST_F(Frame, NewFromClipboardNamesItsDocumentsAndTakesTheStoresMaskOnlyWithItsImage) {
    auto enabled = [&] {
        window->updateCommandStates();
        return window->action(kCmdFileNewFromClipboard)->isEnabled();
    };
    EXPECT_FALSE(enabled());
    window->runCommand(kCmdFileNewFromClipboard);  // nothing on the clipboard: nothing happens
    EXPECT_TRUE(window->documentWindows().isEmpty());
    EXPECT_TRUE(prompts->log.empty());

    ColorImage stored;
    ASSERT_TRUE(stored.createColor(5, 4));
    Channel mask;
    ASSERT_TRUE(mask.createGray(5, 4));
    struct Case {
        const char* name;
        bool systemImage;  // another program offers a 3 x 2 image
        bool storeImage;   // the store holds a 5 x 4 image with a mask
        const char* made;  // the new document's name; null when none is made
        Size size;
        bool transparency;
    } cases[] = {
        {"another program's image", true, false, "Clipboard-1", {3, 2}, false},
        {"the store's image with its mask", false, true, "Clipboard-2", {5, 4}, true},
        {"another program's image wins; the store's mask is not put on it",
         true,
         true,
         "Clipboard-3",
         {3, 2},
         false},
    };
    for (const Case& c : cases) {
        clipboard.clear();
        if (c.systemImage) systemClipboard.block = packedBitmap(3, 2, 1, 2, 3);
        if (c.storeImage) {
            ASSERT_TRUE(clipboard.put(stored, &mask));
        }
        ASSERT_TRUE(enabled()) << c.name;
        window->runCommand(kCmdFileNewFromClipboard);
        ASSERT_FALSE(provider->made.empty()) << c.name;
        FakeDocument* doc = provider->made.back();
        EXPECT_EQ(window->activeDocumentWindow(), doc) << c.name;
        EXPECT_EQ(doc->documentName(), c.made) << c.name;
        EXPECT_EQ(doc->imageSize, c.size) << c.name;
        EXPECT_EQ(doc->hasTransparency, c.transparency) << c.name;
        EXPECT_TRUE(doc->documentPath().empty()) << c.name;
        EXPECT_TRUE(doc->isModified()) << c.name;
    }
    EXPECT_TRUE(prompts->log.empty());

    // A block that does not hold a bitmap, or a document that cannot be made: the message, no
    // window, and the number is not used up.
    systemClipboard.block = std::vector<uint8_t>(39, 0);
    window->runCommand(kCmdFileNewFromClipboard);
    systemClipboard.block = packedBitmap(2, 2, 0, 0, 0);
    provider->refuseNew = true;
    window->runCommand(kCmdFileNewFromClipboard);
    EXPECT_EQ(prompts->log,
              (Strings{"error: Error creating new image!", "error: Error creating new image!"}));
    EXPECT_EQ(window->documentWindows().size(), 3);
    provider->refuseNew = false;
    window->runCommand(kCmdFileNewFromClipboard);
    EXPECT_EQ(provider->made.back()->documentName(), "Clipboard-4");
}

TEST_F(Frame, StoreIsPublishedOnceWhenTheProgramLosesTheForeground) {
    ColorImage image;
    ASSERT_TRUE(image.createColor(2, 2));
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(systemClipboard.writes, 0);  // nothing in the store

    ASSERT_TRUE(clipboard.put(image));
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(systemClipboard.writes, 0);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(systemClipboard.writes, 1);
    ASSERT_TRUE(systemClipboard.block);
    EXPECT_EQ(systemClipboard.block->size(), 40u + 2 * 8);

    // What the user copies elsewhere afterwards is not overwritten by the same image again.
    systemClipboard.block = std::vector<uint8_t>{1, 2, 3};
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_EQ(systemClipboard.writes, 1);
    EXPECT_EQ(systemClipboard.block->size(), 3u);
}

TEST_F(Frame, DuplicateOpensACopyUnderTheEnteredName) {
    window->updateCommandStates();
    EXPECT_FALSE(window->action(kCmdImageDuplicate)->isEnabled());
    window->runCommand(kCmdImageDuplicate);  // no document
    EXPECT_TRUE(commandDialogs->asked.empty());

    std::string a = image("a.png");
    FakeDocument* original = open(a);
    open(image("b.png"));
    window->activateDocumentWindow(original);
    window->updateCommandStates();
    EXPECT_TRUE(window->action(kCmdImageDuplicate)->isEnabled());
    // The window's caption menu offers it and Page Setup; the dialogs not built yet are not
    // offered.
    EXPECT_TRUE(original->mayAsk(kCmdImageDuplicate));
    EXPECT_TRUE(original->mayAsk(kCmdFilePageSetup));
    for (int id : {kCmdImageSize, kCmdCanvasSize}) EXPECT_FALSE(original->mayAsk(id)) << id;

    commandDialogs->answer.reset();  // cancelled
    window->runCommand(kCmdImageDuplicate);
    EXPECT_EQ(commandDialogs->asked, Strings{"a.png"});
    EXPECT_EQ(window->documentWindows().size(), 2);

    commandDialogs->answer = QStringLiteral("  a copy ");
    original->ask(kCmdImageDuplicate);  // from the caption menu
    EXPECT_EQ(commandDialogs->lastOpenNames, (QStringList{"a.png", "b.png"}));
    ASSERT_EQ(provider->made.size(), 1u);
    FakeDocument* copy = provider->made[0];
    EXPECT_EQ(copy->copyOf, original);
    EXPECT_EQ(copy->documentName(), "a copy");
    EXPECT_EQ(window->activeDocumentWindow(), copy);
    EXPECT_EQ(documentNames(), (Strings{"a.png", "b.png", "a copy"}));

    // The copy has no file: Save asks for one, proposing its name.
    window->runCommand(kCmdFileSave);
    EXPECT_EQ(dialogs->saveDialogs, 1);
    EXPECT_EQ(dialogs->proposed, QStringLiteral("a copy.png"));

    window->runCommand(kCmdImageDuplicate);
    EXPECT_EQ(commandDialogs->lastOpenNames, (QStringList{"a.png", "b.png", "a copy"}));
    EXPECT_EQ(commandDialogs->asked.back(), "a copy");

    provider->refuseNew = true;
    window->runCommand(kCmdImageDuplicate);
    EXPECT_EQ(prompts->log, Strings{"error: Error creating new image!"});
    EXPECT_EQ(window->documentWindows().size(), 4);
}

// ---- Commands ---------------------------------------------------------------------------------

// Every menu item text of the menu bar, depth first, submenus as "Title>".
Strings menuTexts(QMenuBar* bar) {
    Strings out;
    std::function<void(QMenu*, const std::string&)> walk = [&](QMenu* m,
                                                               const std::string& prefix) {
        for (QAction* a : m->actions()) {
            if (a->isSeparator()) continue;
            std::string text = prefix + stripMnemonic(a->text().toStdString());
            if (a->menu()) {
                out.push_back(text + ">");
                walk(a->menu(), text + ">");
            } else {
                out.push_back(text);
            }
        }
    };
    for (QAction* top : bar->actions()) {
        out.push_back(stripMnemonic(top->text().toStdString()) + ">");
        walk(top->menu(), stripMnemonic(top->text().toStdString()) + ">");
    }
    return out;
}

TEST_F(Frame, MenusShowOnlyCommandsThatWork) {
    Strings texts = menuTexts(window->menuBar());
    auto has = [&](const std::string& t) {
        return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    for (const char* t : {"File>Open...",       "File>Save",          "File>Save As...",
                          "File>Close All",     "File>Recent Files>", "File>Exit",
                          "Edit>Undo",          "Edit>Redo",          "Edit>Purge>Undo",
                          "Adjust>Invert",      "View>Full Screen",   "View>Toolbar",
                          "View>Status Bar",    "Window>Cascade",     "Window>Tile",
                          "Help>About Varnel",  "Help>Contents...",   "File>New From Clipboard",
                          "Image>Duplicate...", "File>Page Setup...", "File>Print with Preview...",
                          "File>Print...",      "File>New...",        "Edit>Options..."})
        EXPECT_TRUE(has(t)) << t;
    // Work that does not exist in this build has no item.
    for (const char* t : {"Edit>Fill...", "Adjust>Levels...", "Image>Image Size...",
                          "Image>Canvas Size...", "Select>", "Filter>", "View>Zoom In"})
        EXPECT_FALSE(has(t)) << t;
}

TEST(FrameWithoutDocuments, ShowsNoDocumentCommands) {
    QTemporaryDir dir;
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.prompts = std::make_unique<FakePrompts>();
    setup.fileDialogs = std::make_unique<FakeDialogs>();
    setup.desktop = std::make_unique<FakeDesktop>();
    MainWindow window(std::move(setup));
    Strings texts = menuTexts(window.menuBar());
    EXPECT_EQ(texts,
              (Strings{"File>", "File>Recent Files>", "File>Recent Files>(Empty)", "File>Exit",
                       "Edit>", "Edit>Options...", "View>", "View>Full Screen", "View>Toolbar",
                       "View>Status Bar", "Help>", "Help>Contents...", "Help>Search...",
                       "Help>Index", "Help>Feedback and Support", "Help>Orvane Online",
                       "Help>Check for Updates", "Help>About Varnel"}));
}

// An action that counts how often it ran.
class CountingAction : public HistoryAction {
public:
    explicit CountingAction(int* value) : HistoryAction(nullptr, nullptr), value_(value) {}
    std::string name() const override { return "Count"; }
    int execute() override { return ++*value_, 1; }
    int revert() override { return --*value_, 1; }

private:
    int* value_;
};

TEST_F(Frame, UndoAndRedoFollowTheActiveDocumentsHistory) {
    auto enabled = [&](int id) {
        window->updateCommandStates();
        return window->action(id)->isEnabled();
    };
    EXPECT_FALSE(enabled(kCmdEditUndo));
    EXPECT_FALSE(enabled(kCmdFileSave));
    FakeDocument* a = open(image("a.png"));
    EXPECT_TRUE(enabled(kCmdFileSave));
    EXPECT_FALSE(enabled(kCmdEditUndo));
    EXPECT_FALSE(enabled(kCmdEditPurgeUndo));
    int value = 0;
    a->undo.perform(std::make_unique<CountingAction>(&value));
    a->changed();
    EXPECT_TRUE(enabled(kCmdEditUndo));
    EXPECT_FALSE(enabled(kCmdEditRedo));
    EXPECT_TRUE(enabled(kCmdEditPurgeUndo));

    window->runCommand(kCmdEditUndo);  // forwarded to the document window
    EXPECT_EQ(a->ran, std::vector<int>{kCmdEditUndo});
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(enabled(kCmdEditUndo));
    EXPECT_TRUE(enabled(kCmdEditRedo));

    // Another document without history: both off; a disabled command is not forwarded.
    FakeDocument* b = open(image("b.png"));
    EXPECT_FALSE(enabled(kCmdEditRedo));
    window->runCommand(kCmdEditRedo);
    EXPECT_TRUE(b->ran.empty());
    b->disabled = {kCmdInvert};
    EXPECT_FALSE(enabled(kCmdInvert));
    b->disabled.clear();
    EXPECT_TRUE(enabled(kCmdInvert));
    window->runCommand(kCmdInvert);
    EXPECT_EQ(b->ran, std::vector<int>{kCmdInvert});

    // A command asked for by a window's own controls runs on that window.
    a->ask(kCmdEditRedo);
    EXPECT_EQ(window->activeDocumentWindow(), a);
    EXPECT_EQ(a->ran, (std::vector<int>{kCmdEditUndo, kCmdEditRedo}));
    window->closeAll();
    EXPECT_FALSE(enabled(kCmdEditRedo));
    EXPECT_FALSE(enabled(kCmdInvert));
    window->runCommand(kCmdInvert);  // with no document: nothing happens
}

// ---- New --------------------------------------------------------------------------------

TEST_F(Frame, NewMakesABlankDocumentOfWhatTheDialogReturns) {
    settings.default_bg_color = settingsColor(0x12, 0x34, 0x56);
    struct Case {
        int32_t background;
        int32_t transparent;
        ColorRef color;
    } cases[] = {
        {kBackgroundWhite, 0, makeRgb(255, 255, 255)},
        {kBackgroundColor, 0, makeRgb(0x12, 0x34, 0x56)},
        {kBackgroundTransparent, 1, makeRgb(255, 255, 255)},
    };
    for (const Case& c : cases) {
        NewImageResult chosen;
        chosen.width = 640;
        chosen.height = 480;
        chosen.resolution = 118.11f;
        chosen.resolutionUnit = 1;
        chosen.background = c.background;
        chosen.name = QStringLiteral("Poster-%1").arg(c.background);
        commandDialogs->newImage = chosen;
        window->runCommand(kCmdFileNew);
        FakeDocument* doc = dynamic_cast<FakeDocument*>(window->activeDocumentWindow());
        ASSERT_TRUE(doc && doc->madeFrom);
        const ImageSettings& made = *doc->madeFrom;
        EXPECT_EQ(doc->documentName(), chosen.name.toStdString());
        EXPECT_EQ(made.width, 640);
        EXPECT_EQ(made.height, 480);
        EXPECT_EQ(made.resolution, 118.11f);
        EXPECT_EQ(made.resolutionUnit, 1);
        EXPECT_EQ(made.transparentBackground, c.transparent);
        EXPECT_EQ(made.backgroundColor, c.color);
    }
    EXPECT_EQ(window->documentWindows().size(), 3);
    EXPECT_TRUE(window->action(kCmdFileNew)->isEnabled());
    EXPECT_TRUE(prompts->log.empty());

    commandDialogs->newImage.reset();  // Cancel
    window->runCommand(kCmdFileNew);
    EXPECT_EQ(window->documentWindows().size(), 3);
}

TEST_F(Frame, NewOffersTheClipboardsImageSize) {
    window->runCommand(kCmdFileNew);
    EXPECT_FALSE(commandDialogs->newClipboard);
    ColorImage image;
    ASSERT_TRUE(image.createColor(7, 3));
    ASSERT_TRUE(clipboard.put(image));
    window->runCommand(kCmdFileNew);
    ASSERT_TRUE(commandDialogs->newClipboard);
    EXPECT_EQ(*commandDialogs->newClipboard, (Size{7, 3}));
}

TEST_F(Frame, NewThatCannotMakeTheImageSaysSo) {
    provider->refuseNew = true;
    commandDialogs->newImage = NewImageResult{30000, 30000, 72.0f, 0, 0, QStringLiteral("Big")};
    EXPECT_FALSE(window->newImage());
    EXPECT_EQ(prompts->log, Strings{"error: Error creating new image!"});
    EXPECT_TRUE(window->documentWindows().isEmpty());
}

TEST_F(Frame, PresetsSavedInTheNewDialogReachTheFileAtOnce) {
    settingsPath = dir.filePath(QStringLiteral("Settings.xml")).toStdString();
    build();
    ImagePreset preset;
    preset.name = "Mine";
    preset.id = 8;
    commandDialogs->presetToSave = preset;
    window->runCommand(kCmdFileNew);  // and cancelled
    AppSettings reread;
    ASSERT_TRUE(reread.load(settingsPath));
    ASSERT_EQ(reread.presets().size(), 1u);
    EXPECT_EQ(reread.presets()[0].name, "Mine");
}

// ---- Options ----------------------------------------------------------------------------

TEST_F(Frame, OptionsApplyToEveryOpenDocumentAndReachTheFile) {
    settingsPath = dir.filePath(QStringLiteral("Settings.xml")).toStdString();
    build();
    settings.nb_history_states = 20;
    int value = 0;
    std::vector<FakeDocument*> docs = {open(image("a.png")), open(image("b.png"))};
    settings.recent_files = {"/a.png", "/b.png", "/c.png", "/d.png"};
    window->recentFiles().rebuildRecentMenu();
    for (FakeDocument* doc : docs) {
        doc->undo.setLimit(20);
        for (int i = 0; i < 12; ++i) doc->undo.perform(std::make_unique<CountingAction>(&value));
    }
    // The second window is minimised: it is trimmed all the same.
    docs[1]->widget()->showMinimized();

    EXPECT_TRUE(window->isCommandShown(kCmdOptions));
    window->updateCommandStates();
    EXPECT_TRUE(window->action(kCmdOptions)->isEnabled());
    AppOptions edited = settings.options();
    edited.nb_history_states = 5;
    edited.max_recent_files = 2;
    edited.pixel_similarity_tolerance = 300;  // brought into range
    edited.default_fg_color = settingsColor(1, 2, 3);
    commandDialogs->options = edited;
    window->runCommand(kCmdOptions);

    for (FakeDocument* doc : docs) {
        EXPECT_EQ(doc->undo.limit(), 5);
        EXPECT_EQ(doc->undo.count(), 5);
    }
    EXPECT_EQ(settings.recent_files, (Strings{"/a.png", "/b.png"}));
    EXPECT_EQ(window->recentFiles().menu()->actions().size(), 4);  // with Clear and its separator
    EXPECT_EQ(settings.pixel_similarity_tolerance, 255);
    EXPECT_EQ(settings.default_fg_color, settingsColor(1, 2, 3));
    AppSettings reread;
    ASSERT_TRUE(reread.load(settingsPath));
    EXPECT_EQ(reread.nb_history_states, 5);
    EXPECT_EQ(reread.default_fg_color, settingsColor(1, 2, 3));

    // Cancel changes nothing.
    commandDialogs->options.reset();
    window->runCommand(kCmdOptions);
    EXPECT_EQ(settings.nb_history_states, 5);
    EXPECT_EQ(commandDialogs->optionsDialogs, 2);
}

TEST_F(Frame, ToolbarStatusBarAndFullScreenToggleAndShowTheirCheckMarks) {
    window->show();
    struct Case {
        int id;
        std::function<bool()> state;
    } cases[] = {
        {kCmdViewToolbar, [&] { return window->toolBar()->isVisible(); }},
        {kCmdViewStatusBar, [&] { return window->statusBar()->isVisible(); }},
        {kCmdFullScreen, [&] { return window->isFullScreenMode(); }},
    };
    for (const Case& c : cases) {
        bool before = c.state();
        window->action(c.id)->trigger();
        EXPECT_NE(c.state(), before) << c.id;
        window->updateCommandStates();
        EXPECT_EQ(window->action(c.id)->isChecked(), c.state()) << c.id;
        window->runCommand(c.id);
        EXPECT_EQ(c.state(), before) << c.id;
        EXPECT_EQ(window->action(c.id)->isChecked(), before) << c.id;
    }
}

TEST_F(Frame, HelpAboutAndWebLinks) {
    window->runCommand(kCmdAbout);
    window->runCommand(kCmdHelpContents);  // no manual beside the program
    ASSERT_EQ(prompts->log.size(), 2u);
    EXPECT_EQ(prompts->log[0], "about About Varnel: Varnel\nVersion 1.0.0  (Build 1)");
    EXPECT_EQ(prompts->log[1].rfind("info Varnel: Help is not installed.", 0), 0u);
    EXPECT_EQ(window->helpWindow(), nullptr);

    // A manual whose contents cannot be read says why.
    ASSERT_TRUE(QDir(dir.path()).mkpath("manual"));
    QFile contents(dir.filePath("manual/contents.xml"));
    ASSERT_TRUE(contents.open(QIODevice::WriteOnly));
    contents.write("<manual>");
    contents.close();
    window->runCommand(kCmdHelpIndex);
    ASSERT_EQ(prompts->log.size(), 3u);
    EXPECT_NE(prompts->log[2].find("cannot be read"), std::string::npos) << prompts->log[2];
    EXPECT_EQ(window->helpWindow(), nullptr);

    // The real manual: each command opens the help window on its tab or page.
    ASSERT_TRUE(QDir(dir.filePath("manual")).removeRecursively());
    ASSERT_TRUE(QFile::link(QStringLiteral(VARNEL_MANUAL_SOURCE_DIR), dir.filePath("manual")));
    struct Case {
        int id;
        int tab;
        const char* page;
    } cases[] = {
        {kCmdHelpContents, 0, "index.html"},
        {kCmdHelpFeedback, 0, "feedback_support.html"},
        {kCmdHelpIndex, 1, "feedback_support.html"},  // the page shown stays
        {kCmdHelpSearch, 2, "feedback_support.html"},
    };
    for (const Case& c : cases) {
        window->runCommand(c.id);
        HelpWindow* help = window->helpWindow();
        ASSERT_TRUE(help) << c.id;
        EXPECT_TRUE(help->isVisible()) << c.id;
        EXPECT_EQ(help->tabs()->currentIndex(), c.tab) << c.id;
        EXPECT_EQ(help->currentPage(), QString::fromLatin1(c.page)) << c.id;
    }
    // F1 is Contents.
    EXPECT_EQ(window->action(kCmdHelpContents)->shortcut(), QKeySequence(Qt::Key_F1));

    // The web links still go to the desktop's browser; so do those of the manual's pages.
    window->runCommand(kCmdWebUpdates);
    window->runCommand(kCmdWebHome);
    emit window->helpWindow()->browser()->anchorClicked(QUrl("mailto:support@orvane.com"));
    ASSERT_EQ(desktop->urls.size(), 3u);
    EXPECT_NE(desktop->urls[0].find("/action.php?aid=2&pid=1&ver=1.0.0.1"), std::string::npos);
    EXPECT_EQ(desktop->urls[1], "https://www.orvane.com/");
    EXPECT_EQ(desktop->urls[2], "mailto:support@orvane.com");
    EXPECT_EQ(prompts->log.size(), 3u);
}

TEST_F(Frame, TileStacksWideWindowsAndUsesColumnsFromFourOn) {
    window->resize(900, 700);
    window->show();
    struct Case {
        int windows;
        std::vector<int> columnSizes;
    } cases[] = {{1, {1}}, {2, {2}}, {3, {3}}, {4, {2, 2}}, {5, {2, 3}}, {9, {3, 3, 3}}};
    for (const Case& c : cases) {
        window->closeAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (int i = 0; i < c.windows; ++i) open(image(("t" + std::to_string(i) + ".png").c_str()));
        window->runCommand(kCmdWindowTile);
        const QRect area = window->mdiArea()->viewport()->rect();
        std::map<int, std::vector<QRect>> byColumn;
        int covered = 0;
        for (QMdiSubWindow* sub : window->mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
            byColumn[sub->geometry().left()].push_back(sub->geometry());
            covered += sub->geometry().width() * sub->geometry().height();
        }
        std::vector<int> sizes;
        for (auto& [x, rects] : byColumn) sizes.push_back(int(rects.size()));
        EXPECT_EQ(sizes, c.columnSizes) << c.windows;
        EXPECT_EQ(covered, area.width() * area.height()) << c.windows;  // no gaps, no overlap
    }
}

TEST(AboutText, VersionNumbers) {
    EXPECT_EQ(aboutVersionText("1.0.0.1"), QStringLiteral("Version 1.0.0  (Build 1)"));
    EXPECT_EQ(aboutVersionText("2, 5, 17, 300"), QStringLiteral("Version 2.5.17  (Build 300)"));
    EXPECT_EQ(aboutVersionText("3.1"), QStringLiteral("Version 3.1.0  (Build 0)"));
}

// ---- Settings ---------------------------------------------------------------------------------

TEST_F(Frame, LayoutIsAppliedAtFirstShowAndSavedWhenTheWindowGoes) {
    settingsPath = dir.filePath(QStringLiteral("VLSettings.xml")).toStdString();
    AppSettings stored;
    stored.main_window_rect = Rect{40, 50, 440, 350};
    stored.show_toolbar = false;
    stored.recent_files = {"/r/one.png"};
    ASSERT_TRUE(stored.save(settingsPath));

    window.reset();
    build();
    EXPECT_TRUE(settings.loaded());
    EXPECT_EQ(window->recentFiles().menu()->actions().size(), 3);  // the entry, separator, Clear
    window->show();
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(40, 50));
    EXPECT_EQ(window->frameGeometry().size(), QSize(400, 300));
    EXPECT_FALSE(window->toolBar()->isVisible());
    EXPECT_FALSE(window->action(kCmdViewToolbar)->isChecked());
    EXPECT_TRUE(window->statusBar()->isVisible());

    window->move(60, 70);
    window->runCommand(kCmdViewToolbar);
    window->openFile(QString::fromStdString(image("new.png")));
    window->close();
    window.reset();

    AppSettings reread;
    ASSERT_TRUE(reread.load(settingsPath));
    EXPECT_EQ(reread.main_window_rect.left, 60);
    EXPECT_EQ(reread.main_window_rect.top, 70);
    EXPECT_TRUE(reread.show_toolbar);
    EXPECT_EQ(reread.recent_files,
              (Strings{dir.filePath(QStringLiteral("new.png")).toStdString(), "/r/one.png"}));
}

// ---- Options bar ------------------------------------------------------------------------------

TEST_F(Frame, OptionsBarViewButtonsActOnTheActiveDocumentWindowOnly) {
    VeOptionsBar* bar = window->optionsBar();
    ASSERT_NE(bar, nullptr);
    auto fitOnScreen = [&](QToolBar* viewBar) {
        for (QAction* a : viewBar->actions())
            if (a->text() == "Fit on Screen") return a->trigger();
        ADD_FAILURE() << "no Fit on Screen button";
    };
    fitOnScreen(bar->handViewBar());  // no document window: nothing happens
    provider->commands.insert(kCmdFitOnScreen);
    FakeDocument* a = open(image("a.png"));
    FakeDocument* b = open(image("b.png"));
    fitOnScreen(bar->handViewBar());
    EXPECT_TRUE(a->ran.empty());
    EXPECT_EQ(b->ran, std::vector<int>{kCmdFitOnScreen});
    window->activateDocumentWindow(a);
    fitOnScreen(bar->zoomViewBar());
    EXPECT_EQ(a->ran, std::vector<int>{kCmdFitOnScreen});
    // Below the main toolbar, on a line of its own.
    EXPECT_EQ(window->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_TRUE(window->toolBarBreak(bar));
}

TEST_F(Frame, ToolboxColoursAreTheDocumentCommandsColours) {
    VeToolbox* box = window->toolbox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(formatColor(window->settings().default_fg_color), "#000000");
    EXPECT_EQ(formatColor(window->settings().default_bg_color), "#FFFFFF");
    box->colors()->setForeground(QColor(0x12, 0x34, 0x56));
    box->colors()->swapColors();
    EXPECT_EQ(formatColor(window->settings().default_fg_color), "#FFFFFF");
    EXPECT_EQ(formatColor(window->settings().default_bg_color), "#123456");
    // The toolbox's choice reaches the options bar; its double clicks the active window.
    box->buttonOf(17)->click();
    QTest::mouseClick(box->buttonOf(17), Qt::LeftButton);
    EXPECT_EQ(window->optionsBar()->pages()->shownKey(), 17);
    EXPECT_FALSE(box->viewMode()->isEnabled());
    provider->commands.insert(kCmdFitOnScreen);
    FakeDocument* a = open(image("a.png"));
    window->updateCommandStates();
    EXPECT_TRUE(box->viewMode()->isEnabled());
    window->show();
    QTest::mouseDClick(box->buttonOf(17), Qt::LeftButton);
    EXPECT_EQ(a->ran, std::vector<int>{kCmdFitOnScreen});
}

}  // namespace
}  // namespace varnel
