#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/adjustment_commands.h"
#include "app/color_scheme.h"
#include "app/command_line.h"
#include "app/desktop_integration.h"
#include "app/edit_dialogs.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "app/product_info.h"
#include "app/qt_system_clipboard.h"
#include "app/recovery.h"
#include "app/recovery_dialog.h"
#include "app/settings_location.h"
#include "app/single_instance.h"
#include "app/size_dialogs.h"
#include "core/clipboard_store.h"
#include "history/history_budget.h"
#include "history/history_disk_cache.h"
#include "platform/cache_file.h"
#include "platform/parallel.h"
#include "widgets/widget_accessibility.h"

namespace varnel {

namespace {

// How long a second start keeps trying to reach the first one (which may still be starting).
constexpr int kHandOverTimeoutMs = 5000;

QStringList fileArguments(const EditorCommandLine& commandLine) {
    QStringList args;
    for (const std::string& file : commandLine.files)
        args.append(QFile::decodeName(QByteArray::fromStdString(file)));
    return absolutePaths(args, QDir::currentPath());
}

int handOver(int& argc, char** argv, const InstanceAddress& address, const QStringList& files) {
    QCoreApplication app(argc, argv);
    QStringList refused;
    bool reached =
        handOverToRunningInstance(address.serverName, files, kHandOverTimeoutMs, &refused);
    for (const QString& path : refused)
        std::fprintf(stderr, "varnel: cannot pass \"%s\" to the running editor: path too long\n",
                     QFile::encodeName(path).constData());
    if (!reached)
        std::fprintf(stderr, "varnel: the running editor does not answer; nothing was opened\n");
    return 0;
}

}  // namespace

int runInstance(int& argc, char** argv) {
    // The command line is read before anything else, so that --help, --version and a mistyped
    // option answer at once, without a display and without reaching a running editor.
    const EditorCommandLine commandLine =
        parseEditorCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    switch (commandLine.action) {
        case EditorCommandLine::Action::Help:
            std::fputs(usageText().c_str(), stdout);
            return 0;
        case EditorCommandLine::Action::Version:
            std::fputs(versionText().c_str(), stdout);
            return 0;
        case EditorCommandLine::Action::Error:
            std::fputs(usageErrorText(commandLine.error).c_str(), stderr);
            return kUsageExitStatus;
        case EditorCommandLine::Action::Run:
            break;
    }
    const QStringList files = fileArguments(commandLine);

    InstanceAddress address = instanceAddress();
    InstanceLock lock(address.lockPath);
    // When the lock cannot be had at all (no writable folder), the editor still runs, just
    // without the single-instance hand-over.
    if (lock.tryAcquire() == InstanceLock::Result::HeldElsewhere)
        return handOver(argc, argv, address, files);

    QApplication app(argc, argv);
    // Names for the standard controls a screen reader would otherwise find nameless.
    installWidgetAccessibility();
    // Long operations split their rows over every core; results do not depend on it.
    setWorkerThreads(availableCores());
    QApplication::setApplicationName(QString::fromStdString(productName()));
    QApplication::setApplicationVersion(QString::fromStdString(productVersion()));
    // The desktop matches the running editor with its launcher (name, icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("varnel"));
    QApplication::setWindowIcon(applicationIcon(QString::fromStdString(programDirectory())));
    // Light or dark as the desktop prefers, or as VARNEL_COLOR_SCHEME says.
    applyColorScheme(chooseColorScheme(desktopColorSchemeHints()));

    SettingsLocation location = currentSettingsLocation();
    if (location.installed && !createDataDirectory(location.dataDirectory))
        QMessageBox::information(
            nullptr, QStringLiteral("Information"),
            QStringLiteral(
                "Failed to create product data directory! User settings will not be saved."));

    // The clipboard store exchanges with the system clipboard for the rest of the run.
    QtSystemClipboard systemClipboard;
    ClipboardStore::store().setSystemClipboard(&systemClipboard);
    struct Detach {
        ~Detach() { ClipboardStore::store().setSystemClipboard(nullptr); }
    } detach;

    // The commands that ask for their parameters are offered once their dialogs are known.
    registerSizeDialogs();
    registerAdjustmentDialogs();
    registerEditDialogs();
    // Undo states that leave the history memory go to the disk cache before any is dropped. Files
    // a crashed run left there go first. Declared before the window, whose documents leave it.
    const std::string cacheFolder = platform::userCacheFolder();
    HistoryDiskCache::removeStaleFiles(cacheFolder);
    HistoryDiskCache historyCache(cacheFolder, HistoryDiskCache::defaultBytes(cacheFolder));
    // A write that fails on the cache's thread is taken in on this one.
    historyCache.setWakeUp([] {
        QMetaObject::invokeMethod(
            qApp, [] { ImageWindow::historyBudget().settle(); }, Qt::QueuedConnection);
    });
    ImageWindow::historyBudget().setDiskCache(&historyCache);
    struct DetachCache {
        HistoryDiskCache& cache;
        ~DetachCache() {
            ImageWindow::historyBudget().setDiskCache(nullptr);
            cache.setWakeUp(nullptr);
        }
    } detachCache{historyCache};
    // Declared before the window: the windows remove their copies as they close.
    RecoveryJournal journal(recoveryFolder());
    MainWindowSetup setup;
    setup.settingsPath = location.filePath;
    auto documents = std::make_unique<ImageDocuments>(AppSettings::instance());
    ImageDocuments& imageDocuments = *documents;
    imageDocuments.setRecovery(&journal);
    setup.documents = std::move(documents);
    MainWindow window(std::move(setup));

    InstanceServer server;
    if (lock.held() && !server.listen(address.serverName))
        std::fprintf(stderr, "varnel: cannot listen for other starts of the editor\n");
    QObject::connect(&server, &InstanceServer::activationRequested, &window,
                     &MainWindow::activateFromOtherInstance);
    QObject::connect(&server, &InstanceServer::pathsReceived, &window,
                     &MainWindow::openHandedOverPaths);

    window.show();
    // Work an earlier run lost in a crash comes first, then the files asked for.
    if (journal.isActive()) offerRecovery(window, imageDocuments, journal.folder());
    window.openFiles(files);
    return QApplication::exec();
}

}  // namespace varnel
