// Windows for the control tests: a shown, active top-level window, so that focus moves as it does
// for a user (leaving a field is what settles its number).
#pragma once

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

namespace varnel::test {

// A window holding `control` above a plain line edit that takes the focus away from it.
class FocusWindow : public QWidget {
public:
    explicit FocusWindow(QWidget* control) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(control);
        other = new QWidget(this);
        other->setFocusPolicy(Qt::StrongFocus);
        other->setFixedSize(120, 20);
        layout->addWidget(other);
        // Away from the screen's edges, so that popups open where they would in a dialog.
        move(300, 200);
        show();
        activateWindow();
        activated = QTest::qWaitForWindowActive(this);
        control->setFocus();
    }
    void leave() { other->setFocus(Qt::TabFocusReason); }

    // A click through the window system at `at` in `w`: it goes where a real one would, to an
    // open popup first (QTest's widget clicks are handed to the widget directly). As with a real
    // button, what the press posts is handled before the release arrives.
    static void clickThroughWindow(QWidget* w, QPoint at) {
        QWindow* window = w->window()->windowHandle();
        const QPoint inWindow = w->mapTo(w->window(), at);
        QTest::mousePress(window, Qt::LeftButton, {}, inWindow);
        QCoreApplication::processEvents();
        QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow);
        QCoreApplication::processEvents();
    }

    QWidget* other = nullptr;
    bool activated = false;
};

}  // namespace varnel::test
