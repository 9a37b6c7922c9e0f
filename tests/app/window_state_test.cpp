#include "app/window_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace varnel {
namespace {

using ::testing::ElementsAre;

// Stands in for the main window; records what it is told to do.
class FakeWindow : public MainWindowPlacement {
public:
    Rect normal{100, 100, 900, 700};
    Rect work{0, 0, 1920, 1040};
    bool maximizedNow = false, toolbar = true, statusBar = true;
    std::vector<std::string> calls;

    Rect normalRect() const override { return normal; }
    Rect workArea() const override { return work; }
    bool isMaximized() const override { return maximizedNow; }
    bool isToolbarShown() const override { return toolbar; }
    bool isStatusBarShown() const override { return statusBar; }

    void moveTo(const Rect& r) override {
        calls.push_back("move " + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                        std::to_string(r.right) + "," + std::to_string(r.bottom));
    }
    void moveToDefaultPlacement() override { calls.push_back("default"); }
    void maximize() override { calls.push_back("maximize"); }
    void showToolbar(bool shown) override { calls.push_back(shown ? "toolbar" : "no toolbar"); }
    void showStatusBar(bool shown) override {
        calls.push_back(shown ? "status bar" : "no status bar");
    }
};

TEST(WindowState, CaptureKeepsOnlyRectanglesInsideTheWorkArea) {
    struct Case {
        Rect normal;
        Rect stored;
    } cases[] = {
        {{100, 100, 900, 700}, {100, 100, 900, 700}},
        {{0, 0, 1920, 1040}, {0, 0, 1920, 1040}},       // exactly the work area
        {{-10, 100, 900, 700}, {0, 0, 1920, 1040}},     // sticks out to the left
        {{1500, 900, 2100, 1200}, {0, 0, 1920, 1040}},  // partly below and right
        {{3000, 0, 3800, 600}, {0, 0, 1920, 1040}},     // on another screen
        {{100, 100, 100, 700}, {0, 0, 1920, 1040}},     // empty
    };
    for (const Case& c : cases) {
        FakeWindow w;
        w.normal = c.normal;
        w.maximizedNow = true;
        w.toolbar = false;
        AppSettings s;
        captureWindowState(s, w);
        EXPECT_EQ(s.main_window_rect, c.stored);
        EXPECT_TRUE(s.maximized);
        EXPECT_FALSE(s.show_toolbar);
        EXPECT_TRUE(s.show_statusbar);
    }
}

TEST(WindowState, ApplyRestoresOnlyALoadedLayoutTheUserKeeps) {
    const std::string saved =
        R"(<OrvaneSettingsV1><States><MainFrame x="10" y="20" width="800" height="600" maximized="1" show_toolbar="0" show_statusbar="1"/></States></OrvaneSettingsV1>)";
    struct Case {
        const char* what;
        std::string xml;
        bool saveLayout;
        std::vector<std::string> calls;
    } cases[] = {
        {"restored", saved, true, {"move 10,20,810,620", "maximize", "no toolbar", "status bar"}},
        {"layout not kept", saved, false, {"default"}},
        {"file with another root", "<Other/>", true, {"default"}},
        {"no file", "", true, {"default"}},
        {"loaded without a rectangle",
         "<OrvaneSettingsV1/>",
         true,
         {"default", "toolbar", "status bar"}},
        {"rectangle off the screen",
         R"(<OrvaneSettingsV1><States><MainFrame x="-5000" y="20" width="800" height="600"/></States></OrvaneSettingsV1>)",
         true,
         {"default", "toolbar", "status bar"}},
        {"empty rectangle",
         R"(<OrvaneSettingsV1><States><MainFrame x="10" y="20" width="0" height="600"/></States></OrvaneSettingsV1>)",
         true,
         {"default", "toolbar", "status bar"}},
        {"partly visible rectangle",
         R"(<OrvaneSettingsV1><States><MainFrame x="1800" y="1000" width="800" height="600"/></States></OrvaneSettingsV1>)",
         true,
         {"move 1800,1000,2600,1600", "toolbar", "status bar"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings s;
        s.loadXml(c.xml);
        s.save_layout = c.saveLayout;
        FakeWindow w;
        applyWindowState(s, w);
        EXPECT_EQ(w.calls, c.calls);
    }
}

TEST(WindowState, CapturedLayoutComesBackAfterSaving) {
    FakeWindow before;
    before.normal = Rect{50, 60, 1050, 860};
    before.statusBar = false;
    AppSettings s;
    captureWindowState(s, before);
    AppSettings next;
    ASSERT_TRUE(next.loadXml(s.toXml()));
    FakeWindow after;
    applyWindowState(next, after);
    EXPECT_THAT(after.calls, ElementsAre("move 50,60,1050,860", "toolbar", "no status bar"));
}

TEST(WindowState, UsableRectangles) {
    const Rect work{0, 0, 1920, 1040};
    EXPECT_TRUE(isUsableWindowRect({10, 10, 20, 20}, work));
    EXPECT_FALSE(isUsableWindowRect({INT32_MIN, INT32_MIN, 0, 0}, work));   // the unplaced one
    EXPECT_FALSE(isUsableWindowRect({INT32_MIN, 0, INT32_MAX, 10}, work));  // too wide to count
    EXPECT_FALSE(isUsableWindowRect({1920, 0, 2000, 10}, work));            // just outside
    EXPECT_FALSE(isUsableWindowRect({20, 20, 10, 30}, work));               // reversed
}

}  // namespace
}  // namespace varnel
