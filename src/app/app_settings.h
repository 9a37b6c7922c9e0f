// The process-wide user settings and the XML file that keeps them between runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"

namespace varnel {

// Root element of the settings file.
inline constexpr char kSettingsRootElement[] = "OrvaneSettingsV1";
// Ranges the settings are held to when read from a file.
inline constexpr int32_t kMaxRecentFilesLimit = 16;
inline constexpr int32_t kMaxHistoryStates = 100;
inline constexpr int32_t kMaxSimilarityTolerance = 255;
// The memory all undo lists together may hold, in MB.
inline constexpr int32_t kMinHistoryMemoryMb = 16;
inline constexpr int32_t kMaxHistoryMemoryMb = 1 << 20;

// The default history memory: a quarter of the machine's physical memory, at least 256 MB.
int32_t defaultHistoryMemoryMb();
// The "let the system choose" window position of an unplaced main window.
inline constexpr int32_t kDefaultWindowPosition = INT32_MIN;

// Settings colours are always opaque.
constexpr Bgra settingsColor(uint8_t r, uint8_t g, uint8_t b) {
    return Bgra{b, g, r, 255};
}

// The application options edited as one record by the Options dialog. A default-constructed
// record holds exactly the defaults its "restore defaults" action sets. Field names are the keys
// of the settings file.
struct AppOptions {
    bool save_layout = true;
    int32_t max_recent_files = 8;  // 1 .. 16
    Bgra doc_window_bg_color = settingsColor(0xAA, 0xAA, 0xAA);
    Bgra image_border_color = settingsColor(0, 0, 0);
    Bgra default_fg_color = settingsColor(0, 0, 0);
    Bgra default_bg_color = settingsColor(0xFF, 0xFF, 0xFF);
    int32_t nb_history_states = 20;                        // 1 .. 100
    int32_t pixel_similarity_tolerance = 0;                // 0 .. 255
    int32_t history_memory_mb = defaultHistoryMemoryMb();  // MB, 16 .. 1048576

    friend bool operator==(const AppOptions&, const AppOptions&) = default;
};

// Brings every number into its range (see the constants above) and makes the colours opaque.
void clampOptions(AppOptions& options);

// An image size preset of the New dialog. Sizes are in the dimension unit.
struct ImagePreset {
    float width = 320.0f;
    float height = 240.0f;
    int32_t du = 0;  // dimension unit: 0 pixels, 1 inches, 2 cm, 3 mm
    float resolution = 72.0f;
    int32_t ru = 0;  // resolution unit: 0 pixels/inch, 1 pixels/cm
    int32_t bg = 0;  // background: 0 white, 1 background colour, 2 transparent
    std::string name = "Default";
    int32_t id = 2;    // 0 .. 7 built in, 8 and above the user's own
    std::string text;  // spare text for the dialog (the image name); not stored

    friend bool operator==(const ImagePreset&, const ImagePreset&) = default;
};

// Preset ids 0 to 7 are the New dialog's built-in presets; the user's own start at 8.
inline constexpr int32_t kFirstUserPresetId = 8;

// True when the preset's numbers can be used and survive the file: sizes and resolution finite,
// between kMinPresetValue and kMaxPresetValue (a smaller value would be written as 0 with six
// decimals), and unit and background codes among the listed ones. The name is not checked here.
inline constexpr double kMinPresetValue = 0.000001;
inline constexpr double kMaxPresetValue = 1e9;
bool isValidPresetValues(const ImagePreset& preset);

// Colour text: "#RRGGBB" (or "RRGGBB" without the hash), upper-case hex digits.
std::string formatColor(Bgra color, bool withHash = true);
// Exactly six hex digits, or a "#" followed by six hex digits; either case.
bool isColorText(std::string_view text);
// Sets `color` to opaque black, then, when `text` is colour text, to the colour it names (alpha
// 255). Returns whether the text was valid.
bool parseColor(std::string_view text, Bgra& color);

// The place and state of one floating window (a palette window, the toolbox), kept with the
// window layout.
struct FloatingWindowState {
    std::string name;  // the window's name, e.g. "Layers"; unique in the list
    Rect rect;         // frame rectangle, screen coordinates
    bool visible = true;
    std::string page;               // the title of the page shown (palette windows)
    std::vector<std::string> tabs;  // the page titles in tab order (palette windows)

    friend bool operator==(const FloatingWindowState&, const FloatingWindowState&) = default;
};

// Limits on what a settings file may describe for the floating windows: there are only a few
// windows, with short names, and anything beyond is not a file this program wrote.
inline constexpr size_t kMaxFloatingWindows = 16;
inline constexpr size_t kMaxFloatingNameLength = 64;
// The most colours a kept swatch list may hold (the Swatches palette adds none beyond).
inline constexpr size_t kMaxStoredSwatches = 4096;

class AppSettings : public AppOptions {
public:
    // The single object of the program, created with the defaults on first use.
    static AppSettings& instance();

    AppSettings() = default;

    AppOptions& options() { return *this; }
    const AppOptions& options() const { return *this; }

    // The main window's restored (not maximised) frame rectangle in screen coordinates. Until a
    // layout is captured or loaded the position is kDefaultWindowPosition and the size 0.
    Rect main_window_rect{kDefaultWindowPosition, kDefaultWindowPosition, 0, 0};
    bool maximized = false;
    bool show_toolbar = true;
    bool show_statusbar = true;
    // The recent files, newest first; paths are compared exactly.
    std::vector<std::string> recent_files;
    // The floating windows' layout, kept with the main window's (States/FloatingWindow).
    std::vector<FloatingWindowState> floating_windows;
    // The Swatches palette's colours in their order (Swatches/Swatch), opaque. None until the
    // palette's list is kept, and when the file's list is unusable (a colour missing or not
    // colour text, more than kMaxStoredSwatches): the palette then starts from its defaults. An
    // empty list is the user's own and is kept as such.
    std::optional<std::vector<Bgra>> swatches;

    const std::vector<ImagePreset>& presets() const { return presets_; }
    // Adds a preset at the end of the list. Refuses (returns false) an empty name, a name or id
    // that a listed preset already has (names compare exactly), and unusable numbers.
    bool addPreset(const ImagePreset& preset);
    // Removes the preset with that id; false when none has it.
    bool removePreset(int32_t id);
    // The id for a new user preset: one above the highest listed id, at least
    // kFirstUserPresetId; when the highest is the largest int32_t, the lowest free user id
    // instead. -1 when every user id is taken.
    int32_t nextPresetId() const;
    void clearPresets() { presets_.clear(); }

    // True once a file with the right root element was read.
    bool loaded() const { return loaded_; }

    // Reads the settings file at `path`. Returns false, changing nothing, when the file is
    // missing, unreadable, too large, not well-formed XML or has another root element. Otherwise
    // reads every valid value present (clamping the numbers, see AppOptions), skips the rest,
    // and returns true.
    bool load(const std::string& path);
    // Writes every setting to `path`, replacing the previous file atomically: on failure (false)
    // the previous file is left as it was.
    bool save(const std::string& path) const;

    // The file's text as save() writes it.
    std::string toXml() const;
    // load() from text instead of a file.
    bool loadXml(std::string_view xml);

private:
    std::vector<ImagePreset> presets_;
    bool loaded_ = false;
};

// Settings files larger than this are refused unread.
inline constexpr size_t kMaxSettingsFileBytes = 8u << 20;

}  // namespace varnel
