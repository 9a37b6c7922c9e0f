#include "document/layer_names.h"

#include <algorithm>
#include <limits>

namespace varnel {

namespace {

constexpr std::string_view kCopySuffix = " copy";

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

}  // namespace

std::optional<int32_t> parseNameNumber(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        // Past 2^31 the number cannot fit either way; stop before the accumulator can overflow.
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

int64_t largestNumberAfter(const std::vector<std::string>& names, std::string_view prefix) {
    int64_t n = 0;
    for (const std::string& name : names) {
        const std::string_view s = name;
        if (s.size() <= prefix.size() || s.substr(0, prefix.size()) != prefix) continue;
        if (const auto v = parseNameNumber(s.substr(prefix.size()))) n = std::max<int64_t>(n, *v);
    }
    return n;
}

std::string nextLayerName(const std::vector<std::string>& names) {
    return std::string(kLayerNamePrefix) +
           std::to_string(largestNumberAfter(names, kLayerNamePrefix) + 1);
}

std::string duplicateLayerName(std::string_view name, const std::vector<std::string>& names) {
    std::string base;
    if (endsWith(name, kCopySuffix)) {
        base = name;
    } else {
        std::string_view stem = name;
        const size_t blank = name.rfind(' ');
        if (blank != std::string_view::npos && parseNameNumber(name.substr(blank + 1))) {
            stem = name.substr(0, blank);
        }
        base = stem;
        if (!endsWith(stem, kCopySuffix)) base += kCopySuffix;
    }
    const int64_t n = largestNumberAfter(names, base + " ");
    if (n > 0) return base + " " + std::to_string(n + 1);
    if (std::find(names.begin(), names.end(), base) != names.end()) return base + " 2";
    return base;
}

}  // namespace varnel
