#include "app/app_settings.h"

#include <tinyxml2.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "platform/file_io.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace varnel {
namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

// Whitespace that XML allows around an attribute's value when written by hand.
std::string_view trimmed(std::string_view s) {
    constexpr std::string_view ws = " \t\r\n";
    size_t b = s.find_first_not_of(ws);
    if (b == std::string_view::npos) return {};
    return s.substr(b, s.find_last_not_of(ws) - b + 1);
}

// A whole decimal integer with an optional sign. Parsed here rather than by the XML library so
// that out-of-range values are recognised instead of wrapping.
bool parseInteger(const char* text, int64_t& out) {
    if (!text) return false;
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    out = v;
    return true;
}

// A decimal number, independent of the user's locale (the GUI runs under it, and a decimal comma
// must neither be written nor expected).
bool parseDecimal(const char* text, double& out) {
    if (!text) return false;
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return false;
    out = v;
    return true;
}

std::string formatDecimal(double v) {
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    if (ec != std::errc()) return "0.000000";
    return std::string(buf, end);
}

bool readInt(const XMLElement* el, const char* key, int64_t& out) {
    return parseInteger(el->Attribute(key), out);
}

bool readInt32(const XMLElement* el, const char* key, int32_t& out) {
    int64_t v = 0;
    if (!readInt(el, key, v) || v < INT32_MIN || v > INT32_MAX) return false;
    out = int32_t(v);
    return true;
}

void readClamped(const XMLElement* el, const char* key, int32_t lo, int32_t hi, int32_t& out) {
    int64_t v = 0;
    if (readInt(el, key, v)) out = int32_t(std::clamp<int64_t>(v, lo, hi));
}

void readFlag(const XMLElement* el, const char* key, bool& out) {
    int64_t v = 0;
    if (readInt(el, key, v)) out = v != 0;
}

void readColor(const XMLElement* el, const char* key, Bgra& out) {
    if (const char* text = el->Attribute(key)) parseColor(text, out);
}

bool readPresetValue(const XMLElement* el, const char* key, float& out) {
    double v = 0;
    if (!parseDecimal(el->Attribute(key), v)) return false;
    // Range-check before narrowing: a double beyond the float range has no float value.
    if (!std::isfinite(v) || v < kMinPresetValue || v > kMaxPresetValue) return false;
    out = float(v);
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool validPresetValue(float v) {
    return std::isfinite(v) && v >= float(kMinPresetValue) && v <= float(kMaxPresetValue);
}

}  // namespace

int32_t defaultHistoryMemoryMb() {
    int64_t physical = 0;
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) physical = int64_t(pages) * pageSize;
#endif
    return int32_t(
        std::clamp<int64_t>(physical / 4 / (int64_t(1) << 20), 256, kMaxHistoryMemoryMb));
}

namespace {

void readApplication(const XMLElement* el, AppOptions& o) {
    readFlag(el, "save_layout", o.save_layout);
    readClamped(el, "max_recent_files", 1, kMaxRecentFilesLimit, o.max_recent_files);
    readColor(el, "doc_window_bg_color", o.doc_window_bg_color);
    readColor(el, "image_border_color", o.image_border_color);
    readColor(el, "default_fg_color", o.default_fg_color);
    readColor(el, "default_bg_color", o.default_bg_color);
    readClamped(el, "nb_history_states", 1, kMaxHistoryStates, o.nb_history_states);
    readClamped(el, "pixel_similarity_tolerance", 0, kMaxSimilarityTolerance,
                o.pixel_similarity_tolerance);
    readClamped(el, "history_memory_mb", kMinHistoryMemoryMb, kMaxHistoryMemoryMb,
                o.history_memory_mb);
}

// The stored rectangle is a position and a size that may be negative (a mirrored rectangle).
// Edges that would not fit in 32 bits make the whole rectangle unusable; it is then left as it
// was rather than wrapped around.
void readMainFrame(const XMLElement* el, AppSettings& s) {
    const Rect& r = s.main_window_rect;
    int32_t x = r.left, y = r.top;
    int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    int32_t v = 0;
    bool rectOk = true;
    auto field = [&](const char* key, auto& out) {
        if (!el->Attribute(key)) return;  // absent: keep
        if (readInt32(el, key, v))
            out = v;
        else
            rectOk = false;  // present but not a 32-bit number
    };
    field("x", x);
    field("y", y);
    field("width", w);
    field("height", h);
    int64_t l = std::min<int64_t>(x, x + w), rt = std::max<int64_t>(x, x + w);
    int64_t t = std::min<int64_t>(y, y + h), b = std::max<int64_t>(y, y + h);
    auto fits = [](int64_t e) { return e >= INT32_MIN && e <= INT32_MAX; };
    if (rectOk && fits(l) && fits(rt) && fits(t) && fits(b))
        s.main_window_rect = Rect{int32_t(l), int32_t(t), int32_t(rt), int32_t(b)};
    readFlag(el, "maximized", s.maximized);
    readFlag(el, "show_toolbar", s.show_toolbar);
    readFlag(el, "show_statusbar", s.show_statusbar);
}

std::vector<std::string> splitTabs(std::string_view text) {
    std::vector<std::string> out;
    while (!text.empty() && out.size() < kMaxFloatingWindows) {
        const size_t comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        if (!part.empty() && part.size() <= kMaxFloatingNameLength) out.emplace_back(part);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return out;
}

// One floating window's record. False (the record is skipped, and the window gets its default
// place) when the name is missing or too long, or the rectangle is absent or not 32-bit.
bool readFloatingWindow(const XMLElement* el, FloatingWindowState& out) {
    const char* name = el->Attribute("name");
    if (!name || !*name || std::strlen(name) > kMaxFloatingNameLength) return false;
    int32_t x = 0, y = 0, w = 0, h = 0;
    if (!readInt32(el, "x", x) || !readInt32(el, "y", y) || !readInt32(el, "width", w) ||
        !readInt32(el, "height", h))
        return false;
    const int64_t l = std::min<int64_t>(x, int64_t(x) + w),
                  r = std::max<int64_t>(x, int64_t(x) + w);
    const int64_t t = std::min<int64_t>(y, int64_t(y) + h),
                  b = std::max<int64_t>(y, int64_t(y) + h);
    if (l < INT32_MIN || r > INT32_MAX || t < INT32_MIN || b > INT32_MAX) return false;
    FloatingWindowState s;
    s.name = name;
    s.rect = Rect{int32_t(l), int32_t(t), int32_t(r), int32_t(b)};
    readFlag(el, "visible", s.visible);
    if (const char* page = el->Attribute("page");
        page && std::strlen(page) <= kMaxFloatingNameLength)
        s.page = page;
    if (const char* tabs = el->Attribute("tabs")) s.tabs = splitTabs(tabs);
    out = std::move(s);
    return true;
}

std::vector<FloatingWindowState> readFloatingWindows(const XMLElement* states) {
    std::vector<FloatingWindowState> out;
    for (const XMLElement* el = states->FirstChildElement("FloatingWindow");
         el && out.size() < kMaxFloatingWindows; el = el->NextSiblingElement("FloatingWindow")) {
        FloatingWindowState s;
        if (!readFloatingWindow(el, s)) continue;
        // The first record of a name counts.
        if (std::none_of(out.begin(), out.end(),
                         [&](const FloatingWindowState& o) { return o.name == s.name; }))
            out.push_back(std::move(s));
    }
    return out;
}

// Reads the preset list; any preset that is incomplete, unusable or a duplicate empties it.
std::vector<ImagePreset> readPresets(const XMLElement* list) {
    std::vector<ImagePreset> out;
    std::unordered_set<std::string> names;
    std::unordered_set<int32_t> ids;
    for (const XMLElement* el = list->FirstChildElement("Preset"); el;
         el = el->NextSiblingElement("Preset")) {
        ImagePreset p;
        p.width = p.height = 100.0f;
        p.resolution = 72.0f;
        p.id = 8;
        const char* name = el->Attribute("name");
        bool ok = name && readInt32(el, "id", p.id) && readPresetValue(el, "width", p.width) &&
                  readPresetValue(el, "height", p.height) && readInt32(el, "du", p.du) &&
                  readPresetValue(el, "resolution", p.resolution) && readInt32(el, "ru", p.ru) &&
                  readInt32(el, "bg", p.bg);
        if (ok) {
            p.name = name;
            // Ids below the user range belong to the built-in presets.
            ok = !p.name.empty() && p.id >= kFirstUserPresetId && isValidPresetValues(p) &&
                 names.insert(p.name).second && ids.insert(p.id).second;
        }
        if (!ok) return {};
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<std::string> readRecentFiles(const XMLElement* list) {
    std::vector<std::string> out;
    for (const XMLElement* el = list->FirstChildElement("File"); el;
         el = el->NextSiblingElement("File")) {
        if (out.size() >= size_t(kMaxRecentFilesLimit)) break;
        const char* path = el->Attribute("path");
        if (!path || !*path) continue;
        if (std::find(out.begin(), out.end(), path) == out.end()) out.emplace_back(path);
    }
    return out;
}

// The swatch list, all or nothing: one unusable entry (or too many) and the palette keeps its
// defaults rather than a list that is partly what the user made.
std::optional<std::vector<Bgra>> readSwatches(const XMLElement* list) {
    std::vector<Bgra> out;
    for (const XMLElement* el = list->FirstChildElement("Swatch"); el;
         el = el->NextSiblingElement("Swatch")) {
        const char* text = el->Attribute("color");
        Bgra color;
        if (out.size() >= kMaxStoredSwatches || !text || !parseColor(text, color))
            return std::nullopt;
        out.push_back(color);
    }
    return out;
}

}  // namespace

void clampOptions(AppOptions& o) {
    o.max_recent_files = std::clamp(o.max_recent_files, 1, kMaxRecentFilesLimit);
    o.nb_history_states = std::clamp(o.nb_history_states, 1, kMaxHistoryStates);
    o.pixel_similarity_tolerance =
        std::clamp(o.pixel_similarity_tolerance, 0, kMaxSimilarityTolerance);
    o.history_memory_mb = std::clamp(o.history_memory_mb, kMinHistoryMemoryMb, kMaxHistoryMemoryMb);
    for (Bgra* c :
         {&o.doc_window_bg_color, &o.image_border_color, &o.default_fg_color, &o.default_bg_color})
        c->a = 255;
}

bool isValidPresetValues(const ImagePreset& p) {
    return validPresetValue(p.width) && validPresetValue(p.height) &&
           validPresetValue(p.resolution) && p.du >= 0 && p.du <= 3 && p.ru >= 0 && p.ru <= 1 &&
           p.bg >= 0 && p.bg <= 2;
}

std::string formatColor(Bgra color, bool withHash) {
    char buf[8];
    std::snprintf(buf, sizeof buf, withHash ? "#%02X%02X%02X" : "%02X%02X%02X", color.r, color.g,
                  color.b);
    return buf;
}

bool isColorText(std::string_view text) {
    if (text.size() == 7 && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return hexValue(c) >= 0; });
}

bool parseColor(std::string_view text, Bgra& color) {
    color = settingsColor(0, 0, 0);
    if (!isColorText(text)) return false;
    if (text.size() == 7) text.remove_prefix(1);
    auto byteAt = [&](size_t i) { return uint8_t(hexValue(text[i]) * 16 + hexValue(text[i + 1])); };
    color = settingsColor(byteAt(0), byteAt(2), byteAt(4));
    return true;
}

AppSettings& AppSettings::instance() {
    static AppSettings settings;
    return settings;
}

bool AppSettings::addPreset(const ImagePreset& preset) {
    if (preset.name.empty() || !isValidPresetValues(preset)) return false;
    for (const ImagePreset& p : presets_)
        if (p.name == preset.name || p.id == preset.id) return false;
    presets_.push_back(preset);
    return true;
}

bool AppSettings::removePreset(int32_t id) {
    auto it = std::find_if(presets_.begin(), presets_.end(),
                           [id](const ImagePreset& p) { return p.id == id; });
    if (it == presets_.end()) return false;
    presets_.erase(it);
    return true;
}

int32_t AppSettings::nextPresetId() const {
    int32_t highest = kFirstUserPresetId - 1;
    for (const ImagePreset& p : presets_) highest = std::max(highest, p.id);
    if (highest < std::numeric_limits<int32_t>::max()) return highest + 1;
    // The ids are unique, so a gap exists unless the list holds every user id.
    std::vector<int32_t> ids;
    for (const ImagePreset& p : presets_)
        if (p.id >= kFirstUserPresetId) ids.push_back(p.id);
    std::sort(ids.begin(), ids.end());
    int32_t candidate = kFirstUserPresetId;
    for (int32_t id : ids) {
        if (id != candidate) return candidate;
        if (candidate == std::numeric_limits<int32_t>::max()) return -1;
        ++candidate;
    }
    return candidate;
}

bool AppSettings::load(const std::string& path) {
    loaded_ = false;
    std::string text;
    if (!platform::readRegularFile(path, kMaxSettingsFileBytes, text)) return false;
    return loadXml(text);
}

bool AppSettings::loadXml(std::string_view xml) {
    loaded_ = false;
    if (xml.size() > kMaxSettingsFileBytes) return false;
    XMLDocument doc;
    if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) return false;
    const XMLElement* root = doc.RootElement();
    if (!root || std::strcmp(root->Name(), kSettingsRootElement) != 0) return false;

    if (const XMLElement* options = root->FirstChildElement("Options")) {
        for (const XMLElement* el = options->FirstChildElement("Application"); el;
             el = el->NextSiblingElement("Application"))
            readApplication(el, *this);
    }
    floating_windows.clear();
    if (const XMLElement* states = root->FirstChildElement("States")) {
        for (const XMLElement* el = states->FirstChildElement("MainFrame"); el;
             el = el->NextSiblingElement("MainFrame"))
            readMainFrame(el, *this);
        floating_windows = readFloatingWindows(states);
    }
    presets_.clear();
    if (const XMLElement* list = root->FirstChildElement("ImagePresets"))
        presets_ = readPresets(list);
    if (const XMLElement* list = root->FirstChildElement("RecentFiles")) {
        for (std::string& path : readRecentFiles(list)) {
            if (recent_files.size() >= size_t(kMaxRecentFilesLimit)) break;
            if (std::find(recent_files.begin(), recent_files.end(), path) == recent_files.end())
                recent_files.push_back(std::move(path));
        }
    }
    swatches.reset();
    if (const XMLElement* list = root->FirstChildElement("Swatches")) swatches = readSwatches(list);
    loaded_ = true;
    return true;
}

std::string AppSettings::toXml() const {
    XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration());
    XMLElement* root = doc.NewElement(kSettingsRootElement);
    doc.InsertEndChild(root);

    XMLElement* app = root->InsertNewChildElement("Options")->InsertNewChildElement("Application");
    app->SetAttribute("save_layout", save_layout ? 1 : 0);
    app->SetAttribute("max_recent_files", max_recent_files);
    app->SetAttribute("doc_window_bg_color", formatColor(doc_window_bg_color).c_str());
    app->SetAttribute("image_border_color", formatColor(image_border_color).c_str());
    app->SetAttribute("default_fg_color", formatColor(default_fg_color).c_str());
    app->SetAttribute("default_bg_color", formatColor(default_bg_color).c_str());
    app->SetAttribute("nb_history_states", nb_history_states);
    app->SetAttribute("pixel_similarity_tolerance", pixel_similarity_tolerance);
    app->SetAttribute("history_memory_mb", history_memory_mb);

    XMLElement* states = root->InsertNewChildElement("States");
    XMLElement* frame = states->InsertNewChildElement("MainFrame");
    const Rect& r = main_window_rect;
    frame->SetAttribute("x", r.left);
    frame->SetAttribute("y", r.top);
    // In 64 bits: the size of the unplaced rectangle does not fit in 32.
    frame->SetAttribute("width", int64_t(r.right) - r.left);
    frame->SetAttribute("height", int64_t(r.bottom) - r.top);
    frame->SetAttribute("maximized", maximized ? 1 : 0);
    frame->SetAttribute("show_toolbar", show_toolbar ? 1 : 0);
    frame->SetAttribute("show_statusbar", show_statusbar ? 1 : 0);
    for (const FloatingWindowState& w : floating_windows) {
        XMLElement* el = states->InsertNewChildElement("FloatingWindow");
        el->SetAttribute("name", w.name.c_str());
        el->SetAttribute("x", w.rect.left);
        el->SetAttribute("y", w.rect.top);
        el->SetAttribute("width", int64_t(w.rect.right) - w.rect.left);
        el->SetAttribute("height", int64_t(w.rect.bottom) - w.rect.top);
        el->SetAttribute("visible", w.visible ? 1 : 0);
        if (!w.page.empty()) el->SetAttribute("page", w.page.c_str());
        if (!w.tabs.empty()) {
            std::string tabs;
            for (const std::string& t : w.tabs) tabs += (tabs.empty() ? "" : ",") + t;
            el->SetAttribute("tabs", tabs.c_str());
        }
    }

    XMLElement* presets = root->InsertNewChildElement("ImagePresets");
    for (const ImagePreset& p : presets_) {
        XMLElement* el = presets->InsertNewChildElement("Preset");
        el->SetAttribute("name", p.name.c_str());
        el->SetAttribute("id", p.id);
        el->SetAttribute("width", formatDecimal(p.width).c_str());
        el->SetAttribute("height", formatDecimal(p.height).c_str());
        el->SetAttribute("du", p.du);
        el->SetAttribute("resolution", formatDecimal(p.resolution).c_str());
        el->SetAttribute("ru", p.ru);
        el->SetAttribute("bg", p.bg);
    }

    XMLElement* recent = root->InsertNewChildElement("RecentFiles");
    for (const std::string& path : recent_files)
        recent->InsertNewChildElement("File")->SetAttribute("path", path.c_str());

    // After the sections every version wrote, so older files and readers are unaffected.
    if (swatches) {
        XMLElement* list = root->InsertNewChildElement("Swatches");
        for (const Bgra& c : *swatches)
            list->InsertNewChildElement("Swatch")->SetAttribute("color", formatColor(c).c_str());
    }

    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    return std::string(printer.CStr(), size_t(std::max(printer.CStrSize() - 1, 0)));
}

bool AppSettings::save(const std::string& path) const {
    std::string xml;
    try {
        xml = toXml();
    } catch (const std::exception&) {
        return false;
    }
    return platform::replaceFile(path, xml);
}

}  // namespace varnel
