#include "editor_session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiSubWindow>
#include <QThread>
#include <cstdlib>
#include <random>

#include "app/adjustment_commands.h"
#include "app/edit_dialogs.h"
#include "app/settings_location.h"
#include "app/size_dialogs.h"
#include "core/clipboard_store.h"
#include "formats/format_registry.h"
#include "history/history.h"

namespace varnel::e2e {

bool waitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

ModalAnswer::ModalAnswer(std::function<void(QWidget*)> act, int timeoutMs) {
    auto* timer = new QTimer;
    timer_ = timer;
    timer->setInterval(10);
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, done = done_, deadline] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *done = true;
            act(modal);
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

ModalAnswer::~ModalAnswer() {
    if (timer_) {
        timer_->stop();
        timer_->deleteLater();
    }
}

void typeInto(QLineEdit* field, const QString& text) {
    if (!field) return;
    // Clicked into first: its window becomes the active one, so that leaving the field counts.
    if (!field->isActiveWindow()) {
        field->window()->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(field->window()));
    }
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

bool clickButton(QWidget* dialog, const QString& which) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>()) {
        QString text = b->text();
        text.remove(QLatin1Char('&'));
        if ((text == which || b->objectName() == which) && b->isVisible() && b->isEnabled()) {
            QTest::mouseClick(b, Qt::LeftButton);
            return true;
        }
    }
    ADD_FAILURE() << "no enabled button " << which.toStdString() << " in "
                  << dialog->windowTitle().toStdString();
    return false;
}

void pick(QComboBox* list, const QString& entry) {
    if (!list) return;
    const int index = list->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    list->setFocus(Qt::OtherFocusReason);
    // The keyboard path of a closed list: Home, then Down to the entry; each step is activated.
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentText(), entry);
}

void chooseFile(QWidget* dialog, const QString& path, const QString& filter) {
    ASSERT_TRUE(dialog);
    if (!filter.isEmpty()) {
        auto* types = child<QComboBox>(dialog, "fileTypeCombo");
        ASSERT_TRUE(types);
        int index = -1;
        for (int i = 0; i < types->count(); ++i)
            if (types->itemText(i).startsWith(filter)) index = i;
        ASSERT_GE(index, 0) << filter.toStdString();
        pick(types, types->itemText(index));
    }
    auto* name = child<QLineEdit>(dialog, "fileNameEdit");
    ASSERT_TRUE(name);
    // The whole path at once, as pasted: typed letter by letter, the field's completion list
    // would open over it and take the Enter that follows.
    name->setFocus(Qt::OtherFocusReason);
    name->setText(path);
    auto* buttons = child<QDialogButtonBox>(dialog, "buttonBox");
    ASSERT_TRUE(buttons);
    for (QAbstractButton* b : buttons->buttons()) {
        if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) {
            ASSERT_TRUE(b->isEnabled()) << path.toStdString();
            QTest::mouseClick(b, Qt::LeftButton);
            return;
        }
    }
    ADD_FAILURE() << "the file dialog has no accept button";
}

std::vector<uint8_t> compositeBytes(Document& document) {
    std::vector<uint8_t> out;
    const ColorImage& color = document.composite()->color();
    for (int y = 0; y < color.height(); ++y)
        out.insert(out.end(), color.row(y), color.row(y) + 3 * size_t(color.width()));
    return out;
}

std::vector<uint8_t> decodedBytes(const QString& path) {
    std::unique_ptr<Document> decoded;
    std::string reason;
    EXPECT_TRUE(openDocument(decoded, path.toStdString(), nullptr, &reason)) << reason;
    return decoded ? compositeBytes(*decoded) : std::vector<uint8_t>{};
}

std::vector<std::string> stepNames(History& history) {
    std::vector<std::string> names;
    for (int i = 0; i < history.count(); ++i) names.push_back(history.stateAt(i)->name());
    return names;
}

std::string currentStep(History& history) {
    return history.current() >= 0 ? history.stateAt(history.current())->name() : std::string();
}

bool writePhoto(const QString& path, int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    QImage image(w, h, QImage::Format_RGB32);
    // Smooth colours with a little noise, as a photo has: blurs and levels change every pixel.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(
                x, y,
                qRgb(40 + 150 * x / w + int(rng() % 30), 60 + 120 * y / h + int(rng() % 30),
                     200 - 100 * (x + y) / (w + h) + int(rng() % 30)));
    const bool jpeg = path.endsWith(QLatin1String(".jpg"));
    return image.save(path, jpeg ? "JPG" : "PNG", jpeg ? 90 : -1);
}

void EditorSession::SetUpTestSuite() {
    // What the program registers at start-up.
    registerSizeDialogs();
    registerAdjustmentDialogs();
    registerEditDialogs();
}

void EditorSession::SetUp() {
    ASSERT_TRUE(home_.isValid());
    ASSERT_TRUE(work_.isValid());
    const QString config = home_.filePath(QStringLiteral("config"));
    const QString runtime = home_.filePath(QStringLiteral("run"));
    const QString program = home_.filePath(QStringLiteral("program"));
    for (const QString& dir : {config, runtime, program}) ASSERT_TRUE(QDir().mkpath(dir));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::setenv("HOME", home_.path().toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", config.toLocal8Bit().constData(), 1);
    ::setenv("XDG_STATE_HOME", home_.filePath(QStringLiteral("state")).toLocal8Bit().constData(),
             1);
    ::setenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit().constData(), 1);
    // An installed program keeps its settings in the user's configuration folder.
    QFile marker(program + QStringLiteral("/unins000.dat"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    SettingsEnvironment env = currentSettingsEnvironment();
    env.programDirectory = program.toStdString();
    const SettingsLocation location = locateSettings(env);
    ASSERT_TRUE(location.installed);
    ASSERT_TRUE(createDataDirectory(location.dataDirectory));
    settingsPath_ = location.filePath;
    ASSERT_EQ(settingsPath_.rfind(config.toStdString(), 0), 0u) << settingsPath_;
}

void EditorSession::TearDown() {
    // Whatever is still open goes without questions, as when a test ends.
    window_.reset();
    if (systemClipboard_) ClipboardStore::store().setSystemClipboard(nullptr);
    systemClipboard_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

MainWindow& EditorSession::start() {
    if (!systemClipboard_) {
        systemClipboard_ = std::make_unique<QtSystemClipboard>();
        ClipboardStore::store().setSystemClipboard(systemClipboard_.get());
    }
    settings_ = std::make_unique<AppSettings>();
    MainWindowSetup setup;
    setup.settings = settings_.get();
    setup.settingsPath = settingsPath_;
    setup.documents = std::make_unique<ImageDocuments>(*settings_);
    window_ = std::make_unique<MainWindow>(std::move(setup));
    window_->show();
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    // The toolbox takes its place once the main window has its own.
    waitFor([&] { return window_->toolboxWindow()->isVisible(); });
    return *window_;
}

void EditorSession::exitEditor() {
    ASSERT_TRUE(window_);
    EXPECT_TRUE(pickMenu(kCmdAppExit));
    EXPECT_FALSE(window_->isVisible());
    // The program ends with its event loop; the window goes with it.
    window_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

ImageWindow* EditorSession::openThroughDialog(const QString& path) {
    const int before = int(window_->documentWindows().size());
    ModalAnswer answer([&](QWidget* dialog) { chooseFile(dialog, path); });
    EXPECT_TRUE(pickMenu(kCmdFileOpen));
    EXPECT_TRUE(answer.handled()) << "no Open dialog";
    EXPECT_EQ(window_->documentWindows().size(), before + 1);
    return active();
}

ImageWindow* EditorSession::active() const {
    return window_ ? dynamic_cast<ImageWindow*>(window_->activeDocumentWindow()) : nullptr;
}

bool EditorSession::pickMenu(int commandId) {
    window_->updateCommandStates();
    QAction* a = window_->action(commandId);
    EXPECT_TRUE(a) << commandId;
    if (!a || !a->isEnabled()) return false;
    a->trigger();
    return true;
}

void EditorSession::typeShortcut(QKeySequence keys) {
    // What the last key set going (the menus' states among it) has happened before the next.
    QCoreApplication::processEvents();
    activate();
    QWidget* target = view() ? static_cast<QWidget*>(view()) : window_.get();
    target->setFocus(Qt::OtherFocusReason);
    const QKeyCombination combo = keys[0];

    QTest::keyClick(target, combo.key(), combo.keyboardModifiers());
}

VeView* EditorSession::view() const {
    ImageWindow* w = active();
    return w ? w->frame()->view() : nullptr;
}

QPoint EditorSession::canvasPoint(int x, int y) const {
    const Point p = view()->scroller().imageToClient(Point{x, y});
    return QPoint(p.x, p.y);
}

void EditorSession::activate() {
    // Without a window manager nothing gives the main window back the focus when a dialog
    // closes; the user's next click or key would.
    if (QApplication::activeWindow() == window_.get()) return;
    window_->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
}

void EditorSession::dragOnCanvas(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers) {
    activate();
    VeView* v = view();
    QTest::mousePress(v, Qt::LeftButton, modifiers, from);
    QTest::mouseMove(v, (from + to) / 2);
    QTest::mouseMove(v, to);
    QTest::mouseRelease(v, Qt::LeftButton, modifiers, to);
}

}  // namespace varnel::e2e
