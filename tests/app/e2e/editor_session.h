// The editor as its program starts it: the real main window with real image documents, the
// real message boxes, file dialogs and parameter dialogs, and a settings file in a folder of the
// test's own. The scenarios drive it as a user does: the menus' actions, shortcuts, mouse drags
// on the canvas and the dialogs' own controls.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/app_settings.h"
#include "app/image_window.h"
#include "app/main_window.h"
#include "app/qt_system_clipboard.h"
#include "core/surface.h"
#include "document/document.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel::e2e {

// Runs the event loop until `done` holds or `ms` pass; returns `done()`.
bool waitFor(const std::function<bool()>& done, int ms = 5000);

// Answers the next modal dialog: `act` runs on it once it is shown (the action that opens it
// does not return until the dialog closes, so this is set up before). `handled()` tells whether
// a dialog came.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> act, int timeoutMs = 10000);
    ~ModalAnswer();
    bool handled() const { return *done_; }

private:
    std::shared_ptr<bool> done_ = std::make_shared<bool>(false);
    QPointer<QTimer> timer_;
};

// The child of `parent` named `name`, of type T; fails the test (and gives null) when missing.
template <typename T>
T* child(QWidget* parent, const char* name) {
    T* found = parent ? parent->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_TRUE(found) << "no " << name << " in "
                       << (parent ? parent->metaObject()->className() : "(no window)");
    return found;
}

// Replaces the text of a field as typed from the keyboard, then leaves it with Tab.
void typeInto(QLineEdit* field, const QString& text);
// Clicks the button of the dialog whose text (without its mnemonic) or object name is `which`.
bool clickButton(QWidget* dialog, const QString& which);
// Chooses the entry of a list as a user does: the list opened, the entry picked.
void pick(QComboBox* list, const QString& entry);
// Drives a file dialog: types `path` in its name field and accepts; with `filter`, chooses the
// file type entry that starts with it first.
void chooseFile(QWidget* dialog, const QString& path, const QString& filter = QString());

// The composite pixels of a document (blue, green, red bytes, rows without padding).
std::vector<uint8_t> compositeBytes(Document& document);
// The pixels the format registry decodes from a file, as the composite of its document.
std::vector<uint8_t> decodedBytes(const QString& path);
// The undo list's step names, oldest first, and the current one.
std::vector<std::string> stepNames(History& history);
std::string currentStep(History& history);

// A noise photo of `w` × `h` written as JPEG (quality 90) or PNG by extension.
bool writePhoto(const QString& path, int w, int h, uint32_t seed = 7);

class EditorSession : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the editor as the program does (the settings read from the session's settings
    // file), shows the main window and waits until it is active.
    MainWindow& start();
    // Leaves it through File > Exit and lets the program end (the main window goes).
    void exitEditor();

    // Opens `path` through File > Open and its dialog; the window opened.
    ImageWindow* openThroughDialog(const QString& path);
    ImageWindow* active() const;
    // Picks a menu item: its action, as the menu would trigger it (the menus' states brought up
    // to date first, as opening the menu does). False when it is greyed.
    bool pickMenu(int commandId);
    // A shortcut typed into the active document's canvas.
    void typeShortcut(QKeySequence keys);

    // Makes the main window the active one, as the user's click into it does.
    void activate();
    VeView* view() const;
    // The canvas point of image pixel (x, y).
    QPoint canvasPoint(int x, int y) const;
    void dragOnCanvas(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {});

    QString filePath(const QString& name) const { return work_.filePath(name); }

    QTemporaryDir home_;  // HOME, XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR in it
    QTemporaryDir work_;  // the user's pictures
    std::string settingsPath_;
    std::unique_ptr<AppSettings> settings_;
    // The system clipboard the program gives the clipboard store.
    std::unique_ptr<QtSystemClipboard> systemClipboard_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace varnel::e2e
