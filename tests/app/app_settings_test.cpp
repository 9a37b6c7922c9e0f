#include "app/app_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <string>

namespace varnel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string doc(const std::string& inner) {
    return "<OrvaneSettingsV1>" + inner + "</OrvaneSettingsV1>";
}
std::string application(const std::string& attrs) {
    return doc("<Options><Application " + attrs + "/></Options>");
}
std::string mainFrame(const std::string& attrs) {
    return doc("<States><MainFrame " + attrs + "/></States>");
}
std::string presets(const std::string& elements) {
    return doc("<ImagePresets>" + elements + "</ImagePresets>");
}
const char kPresetA[] =
    R"(<Preset name="Photo" id="8" width="6.5" height="4.25" du="1" resolution="300" ru="0" bg="1"/>)";
const char kPresetB[] =
    R"(<Preset name="Banner" id="9" width="1200" height="300" du="0" resolution="72" ru="1" bg="2"/>)";

ImagePreset preset(std::string name, int32_t id) {
    ImagePreset p;
    p.name = std::move(name);
    p.id = id;
    return p;
}

std::vector<std::string> presetNames(const AppSettings& s) {
    std::vector<std::string> out;
    for (const ImagePreset& p : s.presets()) out.push_back(p.name);
    return out;
}

// What must hold after any load, whatever the file held.
void expectSane(const AppSettings& s) {
    EXPECT_GE(s.max_recent_files, 1);
    EXPECT_LE(s.max_recent_files, 16);
    EXPECT_GE(s.nb_history_states, 1);
    EXPECT_LE(s.nb_history_states, 100);
    EXPECT_GE(s.pixel_similarity_tolerance, 0);
    EXPECT_LE(s.pixel_similarity_tolerance, 255);
    for (Bgra c :
         {s.doc_window_bg_color, s.image_border_color, s.default_fg_color, s.default_bg_color})
        EXPECT_EQ(c.a, 255);
    EXPECT_LE(s.recent_files.size(), 16u);
    if (s.swatches) {
        EXPECT_LE(s.swatches->size(), kMaxStoredSwatches);
        for (Bgra c : *s.swatches) EXPECT_EQ(c.a, 255);
    }
    std::set<std::string> paths(s.recent_files.begin(), s.recent_files.end());
    EXPECT_EQ(paths.size(), s.recent_files.size());
    EXPECT_EQ(paths.count(""), 0u);
    EXPECT_LE(s.floating_windows.size(), kMaxFloatingWindows);
    std::set<std::string> windows;
    for (const FloatingWindowState& w : s.floating_windows) {
        EXPECT_FALSE(w.name.empty());
        EXPECT_LE(w.name.size(), kMaxFloatingNameLength);
        EXPECT_TRUE(windows.insert(w.name).second);
        EXPECT_LE(w.rect.left, w.rect.right);
        EXPECT_LE(w.rect.top, w.rect.bottom);
        EXPECT_LE(w.tabs.size(), kMaxFloatingWindows);
    }
    std::set<std::string> names;
    std::set<int32_t> ids;
    for (const ImagePreset& p : s.presets()) {
        EXPECT_TRUE(isValidPresetValues(p));
        EXPECT_FALSE(p.name.empty());
        EXPECT_TRUE(names.insert(p.name).second);
        EXPECT_TRUE(ids.insert(p.id).second);
        EXPECT_GE(p.id, kFirstUserPresetId);
    }
}

TEST(ColorText, FormatParseAndValidate) {
    struct Case {
        const char* text;
        bool valid;
        Bgra color;  // what parseColor yields
    } cases[] = {
        {"AABBCC", true, settingsColor(0xAA, 0xBB, 0xCC)},
        {"#aabbcc", true, settingsColor(0xAA, 0xBB, 0xCC)},
        {"#0a1B2c", true, settingsColor(0x0A, 0x1B, 0x2C)},
        {"#AABBC", false, settingsColor(0, 0, 0)},  // a hash and only five digits
        {"AABBC", false, settingsColor(0, 0, 0)},
        {"AABBCCD", false, settingsColor(0, 0, 0)},  // seven characters, but no hash
        {"#AABBCCD", false, settingsColor(0, 0, 0)},
        {"##ABBCC", false, settingsColor(0, 0, 0)},
        {"#GGBBCC", false, settingsColor(0, 0, 0)},
        {" ABBCC", false, settingsColor(0, 0, 0)},
        {"", false, settingsColor(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isColorText(c.text), c.valid);
        Bgra color = settingsColor(1, 2, 3);
        EXPECT_EQ(parseColor(c.text, color), c.valid);
        EXPECT_EQ(color, c.color);
    }
    EXPECT_EQ(formatColor(settingsColor(0xAA, 0x0B, 0xC0)), "#AA0BC0");
    EXPECT_EQ(formatColor(settingsColor(0xAA, 0x0B, 0xC0), false), "AA0BC0");
    EXPECT_EQ(formatColor(settingsColor(0, 0, 0)), "#000000");
}

TEST(AppSettings, DefaultsAndRestoreDefaults) {
    AppSettings s;
    EXPECT_TRUE(s.save_layout);
    EXPECT_EQ(s.max_recent_files, 8);
    EXPECT_EQ(s.doc_window_bg_color, settingsColor(0xAA, 0xAA, 0xAA));
    EXPECT_EQ(s.image_border_color, settingsColor(0, 0, 0));
    EXPECT_EQ(s.default_fg_color, settingsColor(0, 0, 0));
    EXPECT_EQ(s.default_bg_color, settingsColor(255, 255, 255));
    EXPECT_EQ(s.nb_history_states, 20);
    EXPECT_EQ(s.pixel_similarity_tolerance, 0);
    EXPECT_GE(s.history_memory_mb, 256);
    EXPECT_EQ(s.history_memory_mb, defaultHistoryMemoryMb());
    EXPECT_EQ(s.main_window_rect, (Rect{INT32_MIN, INT32_MIN, 0, 0}));
    EXPECT_FALSE(s.maximized);
    EXPECT_TRUE(s.show_toolbar);
    EXPECT_TRUE(s.show_statusbar);
    EXPECT_THAT(s.presets(), IsEmpty());
    EXPECT_THAT(s.recent_files, IsEmpty());
    EXPECT_FALSE(s.loaded());

    s.max_recent_files = 3;
    s.default_fg_color = settingsColor(1, 2, 3);
    s.options() = AppOptions{};  // the Options dialog's restore-defaults
    EXPECT_EQ(s.options(), AppOptions{});
    EXPECT_EQ(&AppSettings::instance(), &AppSettings::instance());
}

TEST(AppSettings, ClampOptionsBringsEveryNumberIntoRange) {
    AppOptions o;
    o.max_recent_files = 0;
    o.nb_history_states = 1000;
    o.pixel_similarity_tolerance = -1;
    o.image_border_color.a = 0;
    clampOptions(o);
    EXPECT_EQ(o.max_recent_files, 1);
    EXPECT_EQ(o.nb_history_states, 100);
    EXPECT_EQ(o.pixel_similarity_tolerance, 0);
    EXPECT_EQ(o.image_border_color, settingsColor(0, 0, 0));
    o.max_recent_files = 17;
    o.nb_history_states = 0;
    o.pixel_similarity_tolerance = 256;
    clampOptions(o);
    EXPECT_EQ(o.max_recent_files, 16);
    EXPECT_EQ(o.nb_history_states, 1);
    EXPECT_EQ(o.pixel_similarity_tolerance, 255);
}

TEST(AppSettings, AddPresetRefusals) {
    AppSettings s;
    ASSERT_TRUE(s.addPreset(preset("Photo", 8)));
    struct Case {
        const char* what;
        std::function<void(ImagePreset&)> change;
        bool accepted;
    } cases[] = {
        {"new name and id", [](ImagePreset&) {}, true},
        {"same name", [](ImagePreset& p) { p.name = "Photo"; }, false},
        {"name differing in case only", [](ImagePreset& p) { p.name = "photo"; }, true},
        {"same id", [](ImagePreset& p) { p.id = 8; }, false},
        {"empty name", [](ImagePreset& p) { p.name.clear(); }, false},
        {"zero width", [](ImagePreset& p) { p.width = 0; }, false},
        {"negative height", [](ImagePreset& p) { p.height = -5; }, false},
        {"infinite resolution", [](ImagePreset& p) { p.resolution = INFINITY; }, false},
        {"NaN width", [](ImagePreset& p) { p.width = NAN; }, false},
        {"dimension unit 4", [](ImagePreset& p) { p.du = 4; }, false},
        {"resolution unit 2", [](ImagePreset& p) { p.ru = 2; }, false},
        {"background -1", [](ImagePreset& p) { p.bg = -1; }, false},
        {"millimetres, transparent", [](ImagePreset& p) { p.du = 3, p.ru = 1, p.bg = 2; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings t = s;
        ImagePreset p = preset("Other", 9);
        c.change(p);
        EXPECT_EQ(t.addPreset(p), c.accepted);
        EXPECT_EQ(t.presets().size(), c.accepted ? 2u : 1u);
    }
    EXPECT_TRUE(s.removePreset(8));
    EXPECT_FALSE(s.removePreset(8));
    EXPECT_TRUE(s.addPreset(preset("Photo", 8)));
    s.clearPresets();
    EXPECT_THAT(s.presets(), IsEmpty());
}

// Each case loads one file into settings that hold the defaults.
TEST(AppSettings, LoadReadsClampsAndSkips) {
    using Check = std::function<void(const AppSettings&)>;
    const Bgra black = settingsColor(0, 0, 0), grey = settingsColor(0xAA, 0xAA, 0xAA);
    struct Case {
        const char* what;
        std::string xml;
        bool result;
        Check check;
    } cases[] = {
        {"recent files limit 0 gives 1", application(R"(max_recent_files="0")"), true,
         [](const AppSettings& s) { EXPECT_EQ(s.max_recent_files, 1); }},
        {"recent files limit 40 gives 16", application(R"(max_recent_files="40")"), true,
         [](const AppSettings& s) { EXPECT_EQ(s.max_recent_files, 16); }},
        {"history 0 gives 1, tolerance above 255 gives 255",
         application(R"(nb_history_states="0" pixel_similarity_tolerance="300")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.nb_history_states, 1);
             EXPECT_EQ(s.pixel_similarity_tolerance, 255);
         }},
        {"history 500 gives 100, tolerance -3 gives 0",
         application(R"(nb_history_states="500" pixel_similarity_tolerance="-3")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.nb_history_states, 100);
             EXPECT_EQ(s.pixel_similarity_tolerance, 0);
         }},
        {"history memory below 16 MB gives 16", application(R"(history_memory_mb="2")"), true,
         [](const AppSettings& s) { EXPECT_EQ(s.history_memory_mb, 16); }},
        {"history memory is read as stored", application(R"(history_memory_mb="3000")"), true,
         [](const AppSettings& s) { EXPECT_EQ(s.history_memory_mb, 3000); }},
        {"numbers beyond 32 bits still clamp",
         application(R"(nb_history_states="99999999999" max_recent_files="-99999999999")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.nb_history_states, 100);
             EXPECT_EQ(s.max_recent_files, 1);
         }},
        {"padded and signed numbers", application(R"(nb_history_states=" +42 ")"), true,
         [](const AppSettings& s) { EXPECT_EQ(s.nb_history_states, 42); }},
        {"non-numbers keep the current value",
         application(
             R"(nb_history_states="12abc" max_recent_files="" save_layout="yes" pixel_similarity_tolerance="99999999999999999999999")"),
         true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.nb_history_states, 20);
             EXPECT_EQ(s.max_recent_files, 8);
             EXPECT_TRUE(s.save_layout);
             EXPECT_EQ(s.pixel_similarity_tolerance, 0);
         }},
        {"flags are non-zero tests", application(R"(save_layout="0")"), true,
         [](const AppSettings& s) { EXPECT_FALSE(s.save_layout); }},
        {"colours: both spellings, invalid gives black, absent keeps",
         application(
             R"(doc_window_bg_color="AABBCC" image_border_color="#aabbcc" default_fg_color="#AABBC" default_bg_color="")"),
         true,
         [=](const AppSettings& s) {
             EXPECT_EQ(s.doc_window_bg_color, settingsColor(0xAA, 0xBB, 0xCC));
             EXPECT_EQ(s.image_border_color, settingsColor(0xAA, 0xBB, 0xCC));
             EXPECT_EQ(s.default_fg_color, black);
             EXPECT_EQ(s.default_bg_color, black);
         }},
        {"colour absent keeps default", application(R"(nb_history_states="7")"), true,
         [=](const AppSettings& s) { EXPECT_EQ(s.doc_window_bg_color, grey); }},
        {"later Application elements win, others ignored",
         doc(R"(<Options><Application nb_history_states="5"/><Other nb_history_states="9"/>)"
             R"(<Application nb_history_states="6"/></Options>)"
             R"(<Options><Application nb_history_states="7"/></Options>)"),
         true, [](const AppSettings& s) { EXPECT_EQ(s.nb_history_states, 6); }},
        {"rectangle and flags",
         mainFrame(
             R"(x="10" y="20" width="300" height="200" maximized="1" show_toolbar="0" show_statusbar="0")"),
         true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{10, 20, 310, 220}));
             EXPECT_TRUE(s.maximized);
             EXPECT_FALSE(s.show_toolbar);
             EXPECT_FALSE(s.show_statusbar);
         }},
        {"negative sizes mirror the rectangle",
         mainFrame(R"(x="310" y="220" width="-300" height="-200")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{10, 20, 310, 220}));
         }},
        {"a position for the unplaced rectangle would overflow its right edge",
         mainFrame(R"(x="5" y="6")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{INT32_MIN, INT32_MIN, 0, 0}));
         }},
        {"edges beyond 32 bits keep the rectangle, flags still load",
         mainFrame(R"(x="2147483000" y="0" width="1000" height="10" maximized="1")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{INT32_MIN, INT32_MIN, 0, 0}));
             EXPECT_TRUE(s.maximized);
         }},
        {"most negative corner with negative size",
         mainFrame(R"(x="-2147483648" y="-2147483648" width="-1" height="-1")"), true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{INT32_MIN, INT32_MIN, 0, 0}));
         }},
        {"a non-number keeps the rectangle", mainFrame(R"(x="1e3" y="0" width="10" height="10")"),
         true,
         [](const AppSettings& s) {
             EXPECT_EQ(s.main_window_rect, (Rect{INT32_MIN, INT32_MIN, 0, 0}));
         }},
        {"presets in order", presets(std::string(kPresetA) + kPresetB), true,
         [](const AppSettings& s) {
             ASSERT_EQ(s.presets().size(), 2u);
             const ImagePreset& a = s.presets()[0];
             EXPECT_EQ(a.name, "Photo");
             EXPECT_EQ(a.id, 8);
             EXPECT_EQ(a.width, 6.5f);
             EXPECT_EQ(a.height, 4.25f);
             EXPECT_EQ(a.du, 1);
             EXPECT_EQ(a.resolution, 300.0f);
             EXPECT_EQ(a.ru, 0);
             EXPECT_EQ(a.bg, 1);
             EXPECT_EQ(s.presets()[1].name, "Banner");
         }},
        {"two presets with one id empty the list",
         presets(
             std::string(kPresetA) +
             R"(<Preset name="Other" id="8" width="1" height="1" du="0" resolution="72" ru="0" bg="0"/>)"),
         true, [](const AppSettings& s) { EXPECT_THAT(s.presets(), IsEmpty()); }},
        {"two presets with one name empty the list",
         presets(
             std::string(kPresetA) +
             R"(<Preset name="Photo" id="10" width="1" height="1" du="0" resolution="72" ru="0" bg="0"/>)"),
         true, [](const AppSettings& s) { EXPECT_THAT(s.presets(), IsEmpty()); }},
        {"a preset without bg empties the list",
         presets(
             std::string(kPresetA) +
             R"(<Preset name="X" id="10" width="1" height="1" du="0" resolution="72" ru="0"/>)"),
         true, [](const AppSettings& s) { EXPECT_THAT(s.presets(), IsEmpty()); }},
        {"other children of the list are ignored",
         presets(std::string(kPresetA) + "<Note/>" + kPresetB), true,
         [](const AppSettings& s) { EXPECT_THAT(presetNames(s), ElementsAre("Photo", "Banner")); }},
        {"recent files: duplicates and empty paths skipped, case kept",
         doc(R"(<RecentFiles><File path="/a.png"/><File path="/A.png"/><File path="/a.png"/>)"
             R"(<File path=""/><File/><Other path="/x.png"/><File path="/b&amp;c &quot;d&quot;.png"/></RecentFiles>)"),
         true,
         [](const AppSettings& s) {
             EXPECT_THAT(s.recent_files, ElementsAre("/a.png", "/A.png", "/b&c \"d\".png"));
         }},
        {"other root element",
         "<OtherSettings><Options><Application nb_history_states=\"5\"/>"
         "</Options></OtherSettings>",
         false, [](const AppSettings& s) { EXPECT_EQ(s.nb_history_states, 20); }},
        {"root name compared exactly", "<orvanesettingsv1/>", false, [](const AppSettings&) {}},
        {"not well-formed", "<OrvaneSettingsV1><Options>", false, [](const AppSettings&) {}},
        {"empty root is a valid file", doc(""), true, [](const AppSettings&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings s;
        EXPECT_EQ(s.loadXml(c.xml), c.result);
        EXPECT_EQ(s.loaded(), c.result);
        c.check(s);
        expectSane(s);
    }
}

TEST(AppSettings, InvalidPresetValuesEmptyTheList) {
    // Each attribute replaced by an unusable value, in an otherwise good second preset.
    const char* cases[] = {
        R"(width="nan")",
        R"(width="inf")",
        R"(width="0")",
        R"(height="-1")",
        R"(width="1e40")",
        R"(resolution="1e-9")",
        R"(width="abc")",
        R"(width="")",
        R"(du="4")",
        R"(du="-1")",
        R"(ru="2")",
        R"(bg="3")",
        R"(bg="1.5")",
        R"(id="4294967304")",
        R"(name="")",
        R"(height="1,5")",
        // Ids 0 to 7 are the built-in presets'.
        R"(id="7")",
        R"(id="0")",
        R"(id="-3")",
    };
    for (const char* bad : cases) {
        SCOPED_TRACE(bad);
        std::string key = std::string(bad).substr(0, std::string(bad).find('='));
        std::string attrs;
        for (auto [k, v] :
             std::initializer_list<std::pair<const char*, const char*>>{{"name", "Good"},
                                                                        {"id", "9"},
                                                                        {"width", "10"},
                                                                        {"height", "10"},
                                                                        {"du", "0"},
                                                                        {"resolution", "72"},
                                                                        {"ru", "0"},
                                                                        {"bg", "0"}})
            attrs += k == key ? std::string(bad) + " " : std::string(k) + "=\"" + v + "\" ";
        AppSettings s;
        ASSERT_TRUE(s.loadXml(presets(std::string(kPresetA) + "<Preset " + attrs + "/>")));
        EXPECT_THAT(s.presets(), IsEmpty());
    }
}

TEST(AppSettings, NextPresetIdIsFreeAndNeverOverflows) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        const char* what;
        std::vector<int32_t> ids;
        int32_t next;
    } cases[] = {
        {"none yet", {}, 8},
        {"after the highest", {9, 8, 12}, 13},
        {"a built-in id added by hand does not count", {2}, 8},
        {"the highest is the largest id: the lowest gap", {8, 9, 11, kMax}, 10},
        {"only the largest id", {kMax}, 8},
        {"a gap just below the largest id", {kMax, 8}, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AppSettings s;
        for (int32_t id : c.ids) ASSERT_TRUE(s.addPreset(preset("P" + std::to_string(id), id)));
        EXPECT_EQ(s.nextPresetId(), c.next);
        EXPECT_TRUE(s.addPreset(preset("New", s.nextPresetId())));
    }
}

TEST(AppSettings, LoadReplacesPresetsAndAppendsRecentFiles) {
    AppSettings s;
    ASSERT_TRUE(s.addPreset(preset("Old", 12)));
    s.recent_files = {"/kept.png", "/b.png"};
    ASSERT_TRUE(s.loadXml(doc(R"(<RecentFiles><File path="/b.png"/><File path="/c.png"/>)"
                              R"(</RecentFiles>)")));
    EXPECT_THAT(s.presets(), IsEmpty());  // a file without presets clears them
    EXPECT_THAT(s.recent_files, ElementsAre("/kept.png", "/b.png", "/c.png"));
}

TEST(AppSettings, AbsentRectangleFieldsKeepTheirCurrentValues) {
    AppSettings s;
    s.main_window_rect = Rect{0, 0, 100, 50};
    ASSERT_TRUE(s.loadXml(mainFrame(R"(x="5" y="6")")));
    EXPECT_EQ(s.main_window_rect, (Rect{5, 6, 105, 56}));
    ASSERT_TRUE(s.loadXml(mainFrame(R"(height="-10")")));
    EXPECT_EQ(s.main_window_rect, (Rect{5, -4, 105, 6}));
}

TEST(AppSettings, RecentFilesFromAFileAreCappedAt16) {
    std::string files;
    for (int i = 0; i < 40; ++i) files += "<File path=\"/img" + std::to_string(i) + ".png\"/>";
    AppSettings s;
    ASSERT_TRUE(s.loadXml(doc("<RecentFiles>" + files + "</RecentFiles>")));
    ASSERT_EQ(s.recent_files.size(), 16u);
    EXPECT_EQ(s.recent_files.front(), "/img0.png");
    EXPECT_EQ(s.recent_files.back(), "/img15.png");
}

TEST(AppSettings, FailedLoadKeepsEveryValue) {
    AppSettings s;
    s.nb_history_states = 42;
    s.recent_files = {"/a.png"};
    ASSERT_TRUE(s.addPreset(preset("Mine", 8)));
    ASSERT_TRUE(s.loadXml(doc("")));
    ASSERT_TRUE(s.loaded());
    ASSERT_TRUE(s.addPreset(preset("Mine", 8)));
    for (const char* bad : {"", "<OrvaneSettingsV1>", "<Other/>", "garbage"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(s.loadXml(bad));
        EXPECT_FALSE(s.loaded());
        EXPECT_EQ(s.nb_history_states, 42);
        EXPECT_THAT(s.recent_files, ElementsAre("/a.png"));
        EXPECT_THAT(presetNames(s), ElementsAre("Mine"));
    }
}

AppSettings richSettings() {
    AppSettings s;
    s.save_layout = false;
    s.max_recent_files = 12;
    s.doc_window_bg_color = settingsColor(0x12, 0x34, 0x56);
    s.image_border_color = settingsColor(0xFE, 0xDC, 0xBA);
    s.default_fg_color = settingsColor(1, 2, 3);
    s.default_bg_color = settingsColor(0xF0, 0x0F, 0x80);
    s.nb_history_states = 77;
    s.pixel_similarity_tolerance = 31;
    s.main_window_rect = Rect{-40, 15, 1240, 975};
    s.maximized = true;
    s.show_toolbar = false;
    s.show_statusbar = false;
    ImagePreset a = preset("Photo <4 x 6> & \"more\" 'quoted'", 8);
    a.width = 6.125f;
    a.height = 1.333333f;  // six decimals are what the file keeps
    a.du = 1;
    a.resolution = 299.999f;
    a.ru = 1;
    a.bg = 2;
    ImagePreset b = preset("Café 😀", 31);
    b.width = 29999.5f;
    b.height = 0.0001f;
    b.du = 3;
    b.resolution = 9999.999f;
    b.bg = 1;
    EXPECT_TRUE(s.addPreset(a));
    EXPECT_TRUE(s.addPreset(b));
    s.recent_files = {"/home/u/pictures/a b.png", "/tmp/x&y<z>\"'.jpg", "/home/u/Ünïcode/名前.bmp",
                      "/odd/tab\there/new\nline.png"};
    s.floating_windows = {
        {"Info", Rect{1000, 40, 1220, 210}, true, "Info", {"Info"}},
        {"Layers", Rect{-220, 210, 0, 600}, false, "Swatches", {"Swatches", "Layers"}},
        {"Toolbox", Rect{0, 0, 64, 100}, true, "", {}}};
    s.swatches = {{settingsColor(0xEE, 0x1D, 0x24), settingsColor(0, 0, 0),
                   settingsColor(0xEE, 0x1D, 0x24), settingsColor(0x0A, 0xB0, 0xFF)}};
    return s;
}

void expectSameSettings(const AppSettings& a, const AppSettings& b) {
    EXPECT_EQ(a.options(), b.options());
    EXPECT_EQ(a.main_window_rect, b.main_window_rect);
    EXPECT_EQ(a.maximized, b.maximized);
    EXPECT_EQ(a.show_toolbar, b.show_toolbar);
    EXPECT_EQ(a.show_statusbar, b.show_statusbar);
    EXPECT_EQ(a.recent_files, b.recent_files);
    EXPECT_EQ(a.floating_windows, b.floating_windows);
    EXPECT_EQ(a.swatches, b.swatches);
    ASSERT_EQ(a.presets().size(), b.presets().size());
    for (size_t i = 0; i < a.presets().size(); ++i) {
        ImagePreset pa = a.presets()[i], pb = b.presets()[i];
        pa.text.clear();  // the spare text is not stored
        pb.text.clear();
        EXPECT_EQ(pa, pb) << "preset " << i;
    }
}

TEST(AppSettings, EveryFieldSurvivesTheText) {
    AppSettings original = richSettings();
    AppSettings loaded;
    ASSERT_TRUE(loaded.loadXml(original.toXml()));
    EXPECT_TRUE(loaded.loaded());
    expectSameSettings(original, loaded);

    // The unplaced default rectangle survives as well (its size does not fit in 32 bits).
    AppSettings defaults, reloaded;
    ASSERT_TRUE(reloaded.loadXml(defaults.toXml()));
    expectSameSettings(defaults, reloaded);
}

TEST(AppSettings, WrittenTextFollowsTheSchema) {
    AppSettings s;
    s.default_bg_color = settingsColor(0xFF, 0xEE, 0x0D);
    s.main_window_rect = Rect{10, 20, 810, 620};
    ImagePreset p = preset("A4 & more", 8);
    p.width = 210;
    p.height = 297.5f;
    p.du = 3;
    p.resolution = 300;
    ASSERT_TRUE(s.addPreset(p));
    s.recent_files = {"/x/a.png", "/y/b.jpg"};
    s.history_memory_mb = 512;
    EXPECT_EQ(s.toXml(),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<OrvaneSettingsV1>
    <Options>
        <Application save_layout="1" max_recent_files="8" doc_window_bg_color="#AAAAAA" image_border_color="#000000" default_fg_color="#000000" default_bg_color="#FFEE0D" nb_history_states="20" pixel_similarity_tolerance="0" history_memory_mb="512"/>
    </Options>
    <States>
        <MainFrame x="10" y="20" width="800" height="600" maximized="0" show_toolbar="1" show_statusbar="1"/>
    </States>
    <ImagePresets>
        <Preset name="A4 &amp; more" id="8" width="210.000000" height="297.500000" du="3" resolution="300.000000" ru="0" bg="0"/>
    </ImagePresets>
    <RecentFiles>
        <File path="/x/a.png"/>
        <File path="/y/b.jpg"/>
    </RecentFiles>
</OrvaneSettingsV1>
)");
}

// The floating windows are kept in the window-state section, after the main window's record.
TEST(AppSettings, FloatingWindowsFollowTheMainWindowsRecord) {
    AppSettings s;
    s.main_window_rect = Rect{10, 20, 810, 620};
    s.floating_windows = {{"Layers", Rect{600, 30, 820, 330}, false, "Layers", {"Layers"}},
                          {"Info", Rect{600, 330, 820, 500}, true, "", {}}};
    const std::string xml = s.toXml();
    EXPECT_NE(xml.find(R"(    <States>
        <MainFrame x="10" y="20" width="800" height="600" maximized="0" show_toolbar="1" show_statusbar="1"/>
        <FloatingWindow name="Layers" x="600" y="30" width="220" height="300" visible="0" page="Layers" tabs="Layers"/>
        <FloatingWindow name="Info" x="600" y="330" width="220" height="170" visible="1"/>
    </States>
)"),
              std::string::npos)
        << xml;
}

TEST(AppSettings, FloatingWindowRecordsThatCannotBeUsedAreSkipped) {
    std::string many;
    for (int i = 0; i < 40; ++i)
        many += "<FloatingWindow name=\"w" + std::to_string(i) +
                "\" x=\"0\" y=\"0\" width=\"220\" height=\"170\"/>";
    const struct {
        const char* label;
        std::string states;
        std::vector<std::string> names;
    } cases[] = {
        {"a mirrored rectangle is put in order",
         R"(<FloatingWindow name="Info" x="500" y="300" width="-220" height="-170" visible="0" tabs="Info,,Swatches"/>)",
         {"Info"}},
        {"no name, no rectangle, an edge beyond 32 bits",
         R"(<FloatingWindow x="1" y="1" width="2" height="2"/>
            <FloatingWindow name="A" x="1" y="1" width="2"/>
            <FloatingWindow name="B" x="2147483647" y="0" width="10" height="10"/>
            <FloatingWindow name="C" x="1" y="1" width="2" height="2"/>)",
         {"C"}},
        {"the first record of a name counts",
         R"(<FloatingWindow name="C" x="1" y="1" width="2" height="2"/>
            <FloatingWindow name="C" x="9" y="9" width="2" height="2"/>)",
         {"C"}},
        {"a name too long",
         "<FloatingWindow name=\"" + std::string(65, 'n') +
             "\" x=\"1\" y=\"1\" width=\"2\" height=\"2\"/>",
         {}},
        {"no more than 16", many, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        AppSettings s;
        s.floating_windows = {{"Old", Rect{0, 0, 1, 1}, true, "", {}}};
        ASSERT_TRUE(s.loadXml(doc("<States>" + c.states + "</States>")));
        expectSane(s);
        if (c.names.empty() && c.states == many) {
            EXPECT_EQ(s.floating_windows.size(), kMaxFloatingWindows);
            continue;
        }
        std::vector<std::string> names;
        for (const FloatingWindowState& w : s.floating_windows) names.push_back(w.name);
        EXPECT_EQ(names, c.names);
    }
    AppSettings mirrored;
    ASSERT_TRUE(mirrored.loadXml(doc(std::string("<States>") + cases[0].states + "</States>")));
    ASSERT_EQ(mirrored.floating_windows.size(), 1u);
    EXPECT_EQ(mirrored.floating_windows[0].rect, (Rect{280, 130, 500, 300}));
    EXPECT_FALSE(mirrored.floating_windows[0].visible);
    EXPECT_EQ(mirrored.floating_windows[0].tabs, (std::vector<std::string>{"Info", "Swatches"}));
}

// The Swatches palette's list is a section of its own after every section older files have, and
// only a list the user could have made comes back; anything else leaves the palette its defaults.
TEST(AppSettings, SwatchListIsKeptWholeOrNotAtAll) {
    AppSettings s;
    s.recent_files = {"/x/a.png"};
    s.swatches = {{settingsColor(0xFF, 0, 0), settingsColor(0x12, 0xAB, 0xEF)}};
    const std::string xml = s.toXml();
    EXPECT_NE(xml.find(R"(    <RecentFiles>
        <File path="/x/a.png"/>
    </RecentFiles>
    <Swatches>
        <Swatch color="#FF0000"/>
        <Swatch color="#12ABEF"/>
    </Swatches>
</OrvaneSettingsV1>)"),
              std::string::npos)
        << xml;

    std::string tooMany;
    for (size_t i = 0; i <= kMaxStoredSwatches; ++i) tooMany += R"(<Swatch color="#010203"/>)";
    using Colors = std::vector<Bgra>;
    const struct {
        const char* label;
        std::string file;
        std::optional<Colors> swatches;
    } cases[] = {
        {"no list: the defaults", doc("<RecentFiles/>"), std::nullopt},
        {"the user's empty list stays empty", doc("<Swatches/>"), Colors{}},
        {"either case, with or without the hash",
         doc(R"(<Swatches><Swatch color="abcdef"/><Swatch color="#00ff7F"/></Swatches>)"),
         Colors{settingsColor(0xAB, 0xCD, 0xEF), settingsColor(0, 0xFF, 0x7F)}},
        {"other elements in the list are no swatches",
         doc(R"(<Swatches><Note/><Swatch color="#000001"/>text</Swatches>)"),
         Colors{settingsColor(0, 0, 1)}},
        {"the first list counts",
         doc(R"(<Swatches><Swatch color="#000001"/></Swatches><Swatches/>)"),
         Colors{settingsColor(0, 0, 1)}},
        {"a colour that is no colour",
         doc(R"(<Swatches><Swatch color="#FF0000"/><Swatch color="red"/></Swatches>)"),
         std::nullopt},
        {"five digits", doc(R"(<Swatches><Swatch color="#FFFFF"/></Swatches>)"), std::nullopt},
        {"a swatch without its colour",
         doc(R"(<Swatches><Swatch color="#FF0000"/><Swatch/></Swatches>)"), std::nullopt},
        {"more than a list may hold", doc("<Swatches>" + tooMany + "</Swatches>"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        AppSettings loaded;
        loaded.swatches = Colors{settingsColor(9, 9, 9)};  // what a file without a list replaces
        ASSERT_TRUE(loaded.loadXml(c.file));
        expectSane(loaded);
        EXPECT_EQ(loaded.swatches, c.swatches);
        // Whatever was read is written back as it was read.
        AppSettings again;
        ASSERT_TRUE(again.loadXml(loaded.toXml()));
        EXPECT_EQ(again.swatches, loaded.swatches);
    }
}

// Hostile and broken inputs: none may crash, hang or break the invariants.
TEST(AppSettings, MalformedInputsNeverBreakTheSettings) {
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "<a>";
    std::string manyPresets;
    for (int i = 0; i < 20000; ++i)
        manyPresets += "<Preset name=\"p" + std::to_string(i) + "\" id=\"" + std::to_string(i + 8) +
                       "\" width=\"1\" height=\"1\" du=\"0\" resolution=\"72\" ru=\"0\" bg=\"0\"/>";
    const std::string inputs[] = {
        "",
        std::string("\0\0\0\0", 4),
        "\xEF\xBB\xBF",
        "\xFF\xFE<\0O\0",
        "<",
        "<OrvaneSettingsV1",
        "<OrvaneSettingsV1>",
        "<OrvaneSettingsV1/><OrvaneSettingsV1/>",
        "<OrvaneSettingsV1><Options><Application nb_history_states=\"5\"></OrvaneSettingsV1>",
        doc(deep),
        "<OrvaneSettingsV1>" + deep,
        application("nb_history_states=\"&#0;\" doc_window_bg_color=\"&#xFFFFFFFF;\""),
        application("doc_window_bg_color=\"#&#65;ABBCC\" max_recent_files=\"&lt;\""),
        "<!DOCTYPE x [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" +
            doc(R"(<RecentFiles><File path="&b;"/></RecentFiles>)"),
        doc("<![CDATA[<Options><Application nb_history_states=\"5\"/></Options>]]>"),
        doc("<!-- <Options> --><States><MainFrame x=\"-\" y=\"--1\" width=\"0x10\"/></States>"),
        mainFrame(
            R"(x="-9223372036854775808" y="9223372036854775807" width="-9223372036854775808" height="9223372036854775807")"),
        mainFrame(R"(x="2147483647" y="2147483647" width="2147483647" height="-2147483648")"),
        presets(
            R"(<Preset name="x" id="8" width="1e308" height="-0" du="0" resolution="4e-320" ru="0" bg="0"/>)"),
        presets(manyPresets),
        presets(manyPresets + "<Preset name=\"p0\" id=\"99999\" width=\"1\" height=\"1\" du=\"0\" "
                              "resolution=\"72\" ru=\"0\" bg=\"0\"/>"),
        doc("<RecentFiles><File path=\"" + std::string(100000, 'x') + "\"/></RecentFiles>"),
        doc("<Options/><States/><ImagePresets/><RecentFiles/>"),
        doc("<Options>text</Options><States><MainFrame>text</MainFrame></States>"),
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 80));
        AppSettings s;
        s.loadXml(input);
        expectSane(s);
    }
    AppSettings many;
    ASSERT_TRUE(many.loadXml(presets(manyPresets)));
    EXPECT_EQ(many.presets().size(), 20000u);
}

// Every truncation and a few thousand random corruptions of a real file.
TEST(AppSettings, CorruptedFilesNeverBreakTheSettings) {
    const std::string good = richSettings().toXml();
    for (size_t n = 0; n < good.size(); ++n) {
        AppSettings s;
        s.loadXml(std::string_view(good).substr(0, n));
        expectSane(s);
        if (::testing::Test::HasFailure()) FAIL() << "prefix of " << n << " bytes";
    }
    std::mt19937 rng(12345);
    const char interesting[] = "<>/=\"&#;x0-9 \n\xFF";
    for (int round = 0; round < 3000; ++round) {
        std::string text = good;
        int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % text.size();
            switch (rng() % 3) {
                case 0:
                    text[at] = interesting[rng() % (sizeof interesting - 1)];
                    break;
                case 1:
                    text.erase(at, 1 + rng() % 8);
                    break;
                default:
                    text.insert(at, 1, char(rng() % 256));
                    break;
            }
            if (text.empty()) text = "<";
        }
        AppSettings s;
        s.loadXml(text);
        expectSane(s);
        if (::testing::Test::HasFailure()) FAIL() << "corruption round " << round << ":\n" << text;
    }
}

}  // namespace
}  // namespace varnel
