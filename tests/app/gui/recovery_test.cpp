// Recovery of unsaved work: the journal's copies follow the document's unsaved state, and an
// editor killed outright (SIGKILL) after an edit leaves a copy that the next start offers with
// the edited pixels, under the document's own name and path.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/image_window.h"
#include "app/main_window.h"
#include "app/recovery.h"
#include "app/recovery_dialog.h"
#include "commands/command_ids.h"
#include "document/document.h"
#include "formats/format_registry.h"
#include "gui_test_support.h"

extern char** environ;

namespace varnel {
namespace {

namespace fs = std::filesystem;
using namespace test;

// A 6 × 4 picture of one colour, saved as PNG.
std::string writePicture(const std::string& path, ColorRef color) {
    ImageSettings settings;
    settings.width = 6;
    settings.height = 4;
    settings.backgroundColor = color;
    auto document = Document::createBlank(settings);
    document->setPath(path);
    EXPECT_TRUE(saveDocument(*document));
    return path;
}

Bgr pixelOf(const Document& document, int x, int y) {
    return document.layers().rasterAt(0)->pixels().pixels(y)[x];
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

size_t copiesIn(const std::string& folder) {
    size_t n = 0;
    for (const std::string& name : filesIn(folder)) n += name.size() > 4 && name.ends_with(".ora");
    return n;
}

TEST(RecoveryJournal, KeepsACopyWhileChangesAreUnsaved) {
    QTemporaryDir dir;
    const std::string folder = dir.filePath("state/recovery").toStdString();
    const std::string picture = writePicture(dir.filePath("a.png").toStdString(), 0x204060);
    AppSettings settings;
    RecoveryJournal journal(folder);
    ASSERT_TRUE(journal.isActive());
    ImageDocuments documents(settings);
    documents.setRecovery(&journal);

    auto window = documents.openFile(picture);
    ASSERT_NE(window, nullptr);
    journal.flush();
    EXPECT_EQ(copiesIn(folder), 0u) << "an unchanged document needs no copy";

    window->runCommand(kCmdInvert);
    journal.flush();
    EXPECT_EQ(copiesIn(folder), 1u);
    // This editor is running: its own copies are not offered.
    EXPECT_TRUE(orphanedCopies(folder).empty());

    // A second change within the minute does not write again; saving removes the copy.
    window->runCommand(kCmdInvert);
    journal.flush();
    EXPECT_EQ(copiesIn(folder), 1u);
    ASSERT_TRUE(window->saveTo(picture));
    EXPECT_EQ(copiesIn(folder), 0u);

    // A new unsaved change, then the window closes without saving: the copy goes too.
    window->runCommand(kCmdInvert);
    journal.flush();
    EXPECT_EQ(copiesIn(folder), 1u);
    window.reset();
    EXPECT_EQ(copiesIn(folder), 0u);
}

// The editor that gets killed: run as a child process of the test below (the same program with
// this test alone), it opens a picture, inverts it, waits until its copy is on disk, says so and
// waits to be killed.
TEST(RecoveryChild, EditsAndWaitsToBeKilled) {
    const char* folder = std::getenv("VARNEL_RECOVERY_TEST_FOLDER");
    const char* picture = std::getenv("VARNEL_RECOVERY_TEST_PICTURE");
    if (!folder || !picture) GTEST_SKIP() << "run by RecoveryAfterCrash only";
    AppSettings settings;
    RecoveryJournal journal(folder);
    ImageDocuments documents(settings);
    documents.setRecovery(&journal);
    auto window = documents.openFile(picture);
    ASSERT_NE(window, nullptr);
    window->runCommand(kCmdInvert);
    // The journal's own timer writes the copy: the event loop runs until it is there.
    while (copiesIn(folder) == 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf("\nready\n");
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST(RecoveryAfterCrash, NextStartOffersTheEditedDocument) {
    QTemporaryDir dir;
    const std::string folder = dir.filePath("recovery").toStdString();
    const std::string picture = writePicture(dir.filePath("photo.png").toStdString(), 0x204060);

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> environment = {"VARNEL_RECOVERY_TEST_FOLDER=" + folder,
                                            "VARNEL_RECOVERY_TEST_PICTURE=" + picture};
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=RecoveryChild.EditsAndWaitsToBeKilled";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, self.c_str(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    // Waits for "ready" (at most a minute), then kills the editor outright.
    std::string said;
    char buffer[256];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (said.find("\nready\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        said.append(buffer, size_t(n));
    }
    ::close(out[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_NE(said.find("\nready\n"), std::string::npos) << said;
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::vector<RecoveredCopy> copies = orphanedCopies(folder);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].name, "photo.png");
    EXPECT_EQ(copies[0].path, picture);

    // The next start: the dialog lists the document, Recover opens it.
    AppSettings settings;
    MainWindowSetup setup;
    setup.settings = &settings;
    setup.prompts = std::make_unique<FakePrompts>();
    setup.fileDialogs = std::make_unique<FakeDialogs>();
    setup.desktop = std::make_unique<FakeDesktop>();
    auto provider = std::make_unique<ImageDocuments>(settings);
    ImageDocuments& documents = *provider;
    setup.documents = std::move(provider);
    MainWindow window(std::move(setup));
    QString listed;
    const int opened = offerRecovery(window, documents, folder, [&](RecoveryDialog& dialog) {
        ASSERT_EQ(dialog.list()->count(), 1);
        listed = dialog.list()->item(0)->text();
        EXPECT_EQ(dialog.list()->item(0)->checkState(), Qt::Checked);
        EXPECT_FALSE(dialog.list()->item(0)->icon().isNull()) << "the thumbnail";
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&Recover")) button->click();
        }
    });
    EXPECT_TRUE(listed.contains(QStringLiteral("photo.png"))) << listed.toStdString();
    ASSERT_EQ(opened, 1);
    auto* recovered = dynamic_cast<ImageWindow*>(window.activeDocumentWindow());
    ASSERT_NE(recovered, nullptr);
    const Document& document = *recovered->document();
    EXPECT_EQ(document.filePath(), picture);
    EXPECT_EQ(recovered->documentName(), "photo.png");
    EXPECT_TRUE(document.isModified());
    // 0x204060 is red 0x60, green 0x40, blue 0x20; inverted.
    const Bgr edited = pixelOf(document, 3, 2);
    EXPECT_EQ(edited.r, 0xFF - 0x60);
    EXPECT_EQ(edited.g, 0xFF - 0x40);
    EXPECT_EQ(edited.b, 0xFF - 0x20);
    // The copy is gone once the document is open again.
    EXPECT_TRUE(orphanedCopies(folder).empty());
    EXPECT_EQ(copiesIn(folder), 0u);
}

}  // namespace
}  // namespace varnel
