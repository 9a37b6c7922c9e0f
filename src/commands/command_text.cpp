#include "commands/command_text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <type_traits>

#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/stack_blur_filter.h"

namespace varnel {

std::string squeezed(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '-' || c == '_') continue;
        out.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    }
    return out;
}

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value,
                  std::string& error) {
    int64_t v = 0;
    const char* end = text.data() + text.size();
    const char* start = text.data();
    if (start != end && *start == '+') ++start;
    const auto [ptr, ec] = std::from_chars(start, end, v);
    if (text.empty() || ec != std::errc() || ptr != end) {
        error = "\"" + text + "\" is not a whole number";
        return false;
    }
    if (v < low || v > high) {
        error =
            std::to_string(v) + " is outside " + std::to_string(low) + ".." + std::to_string(high);
        return false;
    }
    value = v;
    return true;
}

bool parseBlendMode(const std::string& text, int32_t& mode, std::string& error) {
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0]))) {
        int64_t id = 0;
        if (!parseInteger(text, 0, kBlendModeCount - 1, id, error)) return false;
        mode = int32_t(id);
        return true;
    }
    const std::string wanted = squeezed(text);
    for (int id = 0; id < kBlendModeCount; ++id) {
        if (squeezed(std::string(blendModeName(id))) == wanted) {
            mode = id;
            return true;
        }
    }
    error = "\"" + text + "\" is not a blend mode";
    return false;
}

bool parseOpacity(const std::string& text, int32_t& percent, std::string& error) {
    int64_t v = 0;
    if (!parseInteger(text, 0, 100, v, error)) return false;
    percent = int32_t(v);
    return true;
}

bool parseIntegerList(const std::string& text, size_t count, int64_t low, int64_t high,
                      std::vector<int64_t>& values, std::string& error) {
    std::vector<int64_t> out;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        int64_t v = 0;
        if (!parseInteger(text.substr(start, comma - start), low, high, v, error)) return false;
        out.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (out.size() != count) {
        error = "\"" + text + "\" needs " + std::to_string(count) + " numbers separated by commas";
        return false;
    }
    values = std::move(out);
    return true;
}

bool parseDecimal(const std::string& text, double low, double high, double& value,
                  std::string& error) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || !(v == v)) {
        error = "\"" + text + "\" is not a number";
        return false;
    }
    if (v < low || v > high) {
        std::ostringstream range;
        range << text << " is outside " << low << ".." << high;
        error = range.str();
        return false;
    }
    value = v;
    return true;
}

std::vector<std::string> splitColons(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return parts;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(',', start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::string formatBlendMode(int32_t mode) {
    std::string out;
    for (char c : std::string(blendModeName(mode))) {
        out.push_back(c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c))));
    }
    return out;
}

std::string formatDecimal(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

bool parseRgb(const std::string& text, ColorRef& color, std::string& error) {
    std::string s = text;
    if (!s.empty() && s[0] == '#') s.erase(0, 1);
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (s.size() != 6 || ec != std::errc() || end != s.data() + s.size()) {
        error = "\"" + text + "\" is not a colour RRGGBB";
        return false;
    }
    color = makeRgb(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    return true;
}

std::string formatRgb(ColorRef color) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", redOf(color), greenOf(color),
                  blueOf(color));
    return buffer;
}

bool parseCombination(const std::string& text, int32_t& op, std::string& error) {
    static const char* kNames[] = {"replace", "add", "subtract", "intersect"};
    for (int32_t i = 0; i < 4; ++i) {
        if (text == kNames[i]) {
            op = i;
            return true;
        }
    }
    int64_t v = 0;
    if (!parseInteger(text, 0, 3, v, error)) {
        error = "\"" + text + "\" is not a combination (0 replace, 1 add, 2 subtract, 3 intersect)";
        return false;
    }
    op = int32_t(v);
    return true;
}

std::string formatCombination(int32_t op) {
    static const char* kNames[] = {"replace", "add", "subtract", "intersect"};
    return op >= 0 && op < 4 ? kNames[op] : std::to_string(op);
}

namespace {

void fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(trim(text.substr(start, at == std::string_view::npos ? at : at - start)));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

bool parseInt(std::string_view s, int32_t& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseDouble(std::string_view s, double& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

std::string quoted(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out.append(s);
    out += '"';
    return out;
}

// The comma-separated values of `text`, whose count must be one of `counts`.
bool values(std::string_view text, std::initializer_list<size_t> counts,
            std::vector<std::string_view>& out, std::string* error) {
    out = split(text, ',');
    for (size_t n : counts) {
        if (out.size() == n) return true;
    }
    std::string expected;
    for (size_t n : counts) {
        if (!expected.empty()) expected += " or ";
        expected += std::to_string(n);
    }
    fail(error,
         "expected " + expected + " comma-separated values, got " + std::to_string(out.size()));
    return false;
}

bool intIn(std::string_view s, int32_t lo, int32_t hi, std::string_view what, int32_t& out,
           std::string* error) {
    if (!parseInt(s, out)) {
        fail(error, std::string(what) + ": " + quoted(s) + " is not a whole number");
        return false;
    }
    if (out < lo || out > hi) {
        fail(error, std::string(what) + " must lie in " + std::to_string(lo) + ".." +
                        std::to_string(hi) + ", got " + std::to_string(out));
        return false;
    }
    return true;
}

bool doubleIn(std::string_view s, double lo, double hi, std::string_view what, double& out,
              std::string* error) {
    if (!parseDouble(s, out)) {
        fail(error, std::string(what) + ": " + quoted(s) + " is not a number");
        return false;
    }
    if (out < lo || out > hi) {
        fail(error, std::string(what) + " out of range: " + quoted(s));
        return false;
    }
    return true;
}

constexpr const char* kToneChannels[4] = {"RGB", "Red", "Green", "Blue"};
constexpr const char* kHueRanges[7] = {"Master", "Reds",  "Yellows", "Greens",
                                       "Cyans",  "Blues", "Magentas"};
constexpr const char* kTones[3] = {"shadows", "midtones", "highlights"};

}  // namespace

bool parseLevelsArgs(std::string_view text, LevelsParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {20, 5}, v, error)) return false;
    LevelsParams p;
    const int channels = v.size() == 20 ? 4 : 1;
    for (int c = 0; c < channels; ++c) {
        const std::string ch = kToneChannels[c];
        auto at = [&](int field) { return v[size_t(field * channels + c)]; };
        if (!doubleIn(at(0), 0.1, 9.99, ch + " gamma", p.gamma[c], error) ||
            !intIn(at(1), 0, 255, ch + " input black", p.inBlack[c], error) ||
            !intIn(at(2), 0, 255, ch + " input white", p.inWhite[c], error) ||
            !intIn(at(3), 0, 255, ch + " output black", p.outBlack[c], error) ||
            !intIn(at(4), 0, 255, ch + " output white", p.outWhite[c], error)) {
            return false;
        }
    }
    out = p;
    return true;
}

bool parseCurvesArgs(std::string_view text, CurvesParams& out, std::string* error) {
    const std::vector<std::string_view> lists = split(text, '/');
    if (lists.size() != 1 && lists.size() != 4) {
        fail(error,
             "expected 1 or 4 point lists separated by \"/\", got " + std::to_string(lists.size()));
        return false;
    }
    CurvesParams p;
    for (size_t c = 0; c < lists.size(); ++c) {
        const std::string ch = kToneChannels[c];
        const std::vector<std::string_view> points = split(lists[c], ',');
        if (points.size() < 2 || points.size() > size_t(CurvesParams::kMaxPoints)) {
            fail(error,
                 ch + " curve: expected 2 to 10 points, got " + std::to_string(points.size()));
            return false;
        }
        std::vector<Point> list;
        for (std::string_view pt : points) {
            const size_t colon = pt.find(':');
            if (colon == std::string_view::npos) {
                fail(error, ch + " curve: point " + quoted(pt) + " is not x:y");
                return false;
            }
            Point q;
            if (!intIn(trim(pt.substr(0, colon)), 0, 255, ch + " curve x", q.x, error) ||
                !intIn(trim(pt.substr(colon + 1)), 0, 255, ch + " curve y", q.y, error)) {
                return false;
            }
            if (!list.empty() && q.x <= list.back().x) {
                fail(error, ch + " curve: x must increase from point to point");
                return false;
            }
            list.push_back(q);
        }
        p.points[c] = std::move(list);
    }
    out = std::move(p);
    return true;
}

bool parseBrightnessContrastArgs(std::string_view text, BrightnessContrastParams& out,
                                 std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {2}, v, error)) return false;
    BrightnessContrastParams p;
    if (!intIn(v[0], -100, 100, "brightness", p.brightness, error) ||
        !intIn(v[1], -100, 100, "contrast", p.contrast, error)) {
        return false;
    }
    out = p;
    return true;
}

bool parseColorBalanceArgs(std::string_view text, ColorBalanceParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {10}, v, error)) return false;
    ColorBalanceParams p;
    if (!intIn(v[0], 0, 1, "preserve luminosity", p.preserveLuminosity, error)) return false;
    double* axes[3] = {p.cyanRed, p.magentaGreen, p.yellowBlue};
    const char* names[3] = {"cyan-red", "magenta-green", "yellow-blue"};
    for (int a = 0; a < 3; ++a) {
        for (int t = 0; t < 3; ++t) {
            const std::string what = std::string(names[a]) + " " + kTones[t];
            if (!doubleIn(v[size_t(1 + a * 3 + t)], -100, 100, what, axes[a][t], error)) {
                return false;
            }
        }
    }
    out = p;
    return true;
}

bool parseHueSaturationArgs(std::string_view text, HueSaturationParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {21, 3}, v, error)) return false;
    HueSaturationParams p;
    const int ranges = v.size() == 21 ? 7 : 1;
    for (int k = 0; k < ranges; ++k) {
        const std::string range = kHueRanges[k];
        if (!intIn(v[size_t(k)], -180, 180, range + " hue", p.hue[k], error) ||
            !intIn(v[size_t(ranges + k)], -100, 100, range + " lightness", p.lightness[k], error) ||
            !intIn(v[size_t(2 * ranges + k)], -100, 100, range + " saturation", p.saturation[k],
                   error)) {
            return false;
        }
    }
    out = p;
    return true;
}

bool parseColorizeArgs(std::string_view text, ColorizeParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {3}, v, error)) return false;
    ColorizeParams p;
    if (!intIn(v[0], 0, 360, "colorize hue", p.hueDegrees, error) ||
        !intIn(v[1], 0, 100, "colorize saturation", p.saturation, error) ||
        !intIn(v[2], -100, 100, "colorize lightness", p.lightness, error)) {
        return false;
    }
    out = p;
    return true;
}

bool parseGaussianBlurArgs(std::string_view text, double& radius, std::string* error) {
    double r = 0;
    if (!doubleIn(trim(text), kBlurRadiusMin, kBlurRadiusMax, "Gaussian Blur radius", r, error))
        return false;
    radius = r;
    return true;
}

namespace {

// "v0,v1,..." of the first `count` values of each array, array after array.
template <typename T>
void appendValues(std::string& out, const T* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!out.empty()) out += ',';
        if constexpr (std::is_floating_point_v<T>) {
            out += formatDecimal(values[i]);
        } else {
            out += std::to_string(values[i]);
        }
    }
}

// Whether channels 1..n-1 of every array equal their defaults, so that the short form (the
// first channel alone) says the same.
template <typename T, size_t N>
bool restAtDefault(const T (&values)[N], T neutral) {
    for (size_t i = 1; i < N; ++i) {
        if (values[i] != neutral) return false;
    }
    return true;
}

}  // namespace

std::string formatLevelsArgs(const LevelsParams& p) {
    const bool composite = restAtDefault(p.gamma, 1.0) && restAtDefault(p.inBlack, 0) &&
                           restAtDefault(p.inWhite, 255) && restAtDefault(p.outBlack, 0) &&
                           restAtDefault(p.outWhite, 255);
    const int n = composite ? 1 : 4;
    std::string out;
    appendValues(out, p.gamma, n);
    appendValues(out, p.inBlack, n);
    appendValues(out, p.inWhite, n);
    appendValues(out, p.outBlack, n);
    appendValues(out, p.outWhite, n);
    return out;
}

std::string formatCurvesArgs(const CurvesParams& p) {
    const CurvesParams identity;
    const bool composite = p.points[1] == identity.points[1] && p.points[2] == identity.points[2] &&
                           p.points[3] == identity.points[3];
    std::string out;
    for (int c = 0; c < (composite ? 1 : 4); ++c) {
        if (c > 0) out += '/';
        for (size_t i = 0; i < p.points[c].size(); ++i) {
            if (i > 0) out += ',';
            out += std::to_string(p.points[c][i].x) + ":" + std::to_string(p.points[c][i].y);
        }
    }
    return out;
}

std::string formatBrightnessContrastArgs(const BrightnessContrastParams& p) {
    return std::to_string(p.brightness) + "," + std::to_string(p.contrast);
}

std::string formatColorBalanceArgs(const ColorBalanceParams& p) {
    std::string out = std::to_string(p.preserveLuminosity);
    appendValues(out, p.cyanRed, 3);
    appendValues(out, p.magentaGreen, 3);
    appendValues(out, p.yellowBlue, 3);
    return out;
}

std::string formatHueSaturationArgs(const HueSaturationParams& p) {
    const bool master =
        restAtDefault(p.hue, 0) && restAtDefault(p.lightness, 0) && restAtDefault(p.saturation, 0);
    const int n = master ? 1 : 7;
    std::string out;
    appendValues(out, p.hue, n);
    appendValues(out, p.lightness, n);
    appendValues(out, p.saturation, n);
    return out;
}

std::string formatColorizeArgs(const ColorizeParams& p) {
    return std::to_string(p.hueDegrees) + "," + std::to_string(p.saturation) + "," +
           std::to_string(p.lightness);
}

}  // namespace varnel
