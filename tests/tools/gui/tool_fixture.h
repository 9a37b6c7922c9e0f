// A document window as the editor makes one (the canvas frame with its view, the window's
// history taking the tools' steps) under a tool manager, and QTest helpers that drive its view.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "../../view/gui/gui_fixtures.h"
#include "history/history.h"
#include "tools/tool_cursors.h"
#include "tools/tool_manager.h"
#include "view/ve_child_frame.h"
#include "view/ve_view.h"

namespace varnel::test {

class ToolFixture : public ::testing::Test {
protected:
    void TearDown() override {
        // Release whatever a test left pressed, so that QTest's button state starts clean.
        if (pressed_) QTest::mouseRelease(&spare, Qt::LeftButton);
        history.clear();
        frame.reset();
    }

    // A window whose view shows an opaque `image`-sized document at `zoom` in a client area of
    // `client`, active and exposed.
    VeView& open(Size image, QSize client, float zoom) {
        frame = std::make_unique<VeChildFrame>(makeDocument(
            image.width, image.height, [](int32_t, int32_t) { return solid(10, 20, 30); }));
        view = frame->view();
        view->setActionSink([this](std::unique_ptr<HistoryAction> action) {
            return history.perform(std::move(action));
        });
        frame->resize(client + QSize(60, 60));
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        frame->resize(frame->size() + client - view->size());
        EXPECT_EQ(view->size(), client);
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        view->scroller().setZoom(zoom, false, true);
        return *view;
    }

    Selection& selection() { return frame->selection(); }

    std::vector<std::string> steps() const {
        std::vector<std::string> names;
        for (int i = 0; i <= history.current(); ++i) names.push_back(history.stateAt(i)->name());
        return names;
    }

    void press(QPoint p, Qt::KeyboardModifiers m = {}) {
        QTest::mousePress(view, Qt::LeftButton, m, p);
        pressed_ = true;
    }
    void move(QPoint p, Qt::KeyboardModifiers m = {}) {
        QTest::mouseEvent(QTest::MouseMove, view, Qt::NoButton, m, p);
    }
    void release(QPoint p, Qt::KeyboardModifiers m = {}) {
        QTest::mouseRelease(view, Qt::LeftButton, m, p);
        pressed_ = false;
        // The zoom tools post their zoom to the view.
        QCoreApplication::processEvents();
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers m = {}) {
        press(from, m);
        move((from + to) / 2, m);
        move(to, m);
        release(to, m);
    }
    // Keys as the window system delivers them: to the window, which passes them to its focus.
    void keyDown(Qt::Key key, Qt::KeyboardModifiers m = {}) {
        QTest::keyPress(frame->windowHandle(), key, m);
    }
    void keyUp(Qt::Key key, Qt::KeyboardModifiers m = {}) {
        QTest::keyRelease(frame->windowHandle(), key, m);
    }

    bool showsCursor(ToolCursor which) const { return view->cursor() == toolCursor(which); }

public:
    ToolManager tools;
    History history{20};
    std::unique_ptr<VeChildFrame> frame;
    VeView* view = nullptr;

protected:
    // Takes the release of a drag whose view went away.
    QWidget spare;
    bool pressed_ = false;
};

}  // namespace varnel::test
