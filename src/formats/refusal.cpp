#include "formats/refusal.h"

#include <cstdio>

namespace varnel {

namespace {

std::string checkSide(const char* name, int64_t value) {
    if (value < 1) return std::string(name) + " " + std::to_string(value) + " is invalid";
    if (value > kMaxSurfaceSide) {
        return std::string(name) + " " + std::to_string(value) + " exceeds the " +
               std::to_string(kMaxSurfaceSide) + "-pixel limit";
    }
    return {};
}

}  // namespace

std::string checkSides(int64_t width, int64_t height) {
    std::string reason = checkSide("width", width);
    return reason.empty() ? checkSide("height", height) : reason;
}

std::string truncatedAt(uint64_t at, uint64_t expected) {
    std::string text = "truncated at byte " + std::to_string(at);
    if (expected > 0) text += " of " + std::to_string(expected);
    return text;
}

std::string claimsMoreThanFile(uint64_t imageBytes, uint64_t fileBytes) {
    return "header claims a " + describeBytes(imageBytes) + " image from a " +
           std::to_string(fileBytes) + " byte file";
}

std::string describeBytes(uint64_t bytes) {
    constexpr double kKilo = 1024.0, kMega = kKilo * 1024, kGiga = kMega * 1024;
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    } else if (bytes < kMega) {
        std::snprintf(text, sizeof text, "%.0f KB", double(bytes) / kKilo);
    } else if (bytes < 10 * kMega) {
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / kMega);
    } else if (bytes < kGiga) {
        std::snprintf(text, sizeof text, "%.0f MB", double(bytes) / kMega);
    } else {
        std::snprintf(text, sizeof text, "%.1f GB", double(bytes) / kGiga);
    }
    return text;
}

}  // namespace varnel
