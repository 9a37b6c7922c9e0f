#include "dialogs/size_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace varnel {

namespace {

// Far beyond any image, yet exactly representable as a double and far inside int64_t.
constexpr double kSaturation = 1e15;

std::optional<int64_t> saturated(double value) {
    if (std::isnan(value)) return std::nullopt;
    if (value >= kSaturation) return int64_t(kSaturation);
    if (value <= -kSaturation) return -int64_t(kSaturation);
    return int64_t(value);
}

}  // namespace

uint64_t imageMemoryBytes(int64_t width, int64_t height) {
    if (!isSideInRange(width) || !isSideInRange(height)) return 0;
    return uint64_t(width) * uint64_t(height) * 3u;
}

std::string memorySizeText(int64_t width, int64_t height) {
    if (!isSideInRange(width) || !isSideInRange(height)) return "--";
    const uint64_t bytes = imageMemoryBytes(width, height);
    char text[64];
    if (bytes <= 1023) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
        return text;
    }
    constexpr double kKilo = 1024.0;
    double number = double(bytes) / kKilo;
    char unit = 'K';
    if (bytes >= uint64_t(1) << 30) {
        number = double(bytes) / (kKilo * kKilo * kKilo);
        unit = 'G';
    } else if (bytes >= uint64_t(1) << 20) {
        number = double(bytes) / (kKilo * kKilo);
        unit = 'M';
    }
    std::snprintf(text, sizeof text, "%3.2f", number);
    std::string figure = text;
    if (figure.size() > 4 && figure.find('.') != std::string::npos) {
        while (figure.back() == '0') figure.pop_back();
        if (figure.back() == '.') figure.pop_back();
    }
    return figure + unit;
}

bool isResolutionInRange(double resolution) {
    if (!std::isfinite(resolution)) return false;
    const float stored = float(resolution);
    return stored >= kMinResolution && stored <= kMaxResolution;
}

std::optional<int64_t> truncatedPixels(double value) {
    if (std::isnan(value)) return std::nullopt;
    double whole = std::trunc(value);
    // A millionth is some eight units of the last place of a float: the error of a conversion
    // there and back, never a fraction a user means.
    if (value > 0.0 && whole + 1.0 - value <= std::min(value * 1e-6, 0.05)) whole += 1.0;
    return saturated(whole);
}

std::optional<int64_t> roundedPixels(double value) {
    if (std::isnan(value)) return std::nullopt;
    return saturated(std::trunc(value + 0.5));
}

std::optional<int64_t> roundedAwayFromZero(double value) {
    if (std::isnan(value)) return std::nullopt;
    return saturated(std::round(value));
}

std::string sideProblem(const std::string& what, std::optional<int64_t> pixels) {
    if (!pixels) return "Enter the " + what + ".";
    if (*pixels < 1)
        return "The " + what + " must be at least 1 pixel (it comes to " + std::to_string(*pixels) +
               ").";
    if (*pixels > kMaxImageSide)
        return "The " + what + " must be at most " + std::to_string(kMaxImageSide) +
               " pixels (it comes to " + std::to_string(*pixels) + ").";
    return {};
}

std::string resolutionProblem(std::optional<double> resolution) {
    if (!resolution) return "Enter the resolution.";
    if (!isResolutionInRange(*resolution)) return "The resolution must be 1 to 9999.999.";
    return {};
}

}  // namespace varnel
