// The arithmetic the size dialogs share (New, Image Size, Canvas Size): the memory figure of an
// image, the limits the engine puts on sizes and resolutions, turning converted lengths into
// whole pixels, and the reasons a size is refused. Plain C++ (no Qt), so that it is tested without
// a window.
//
// Every size goes through 64-bit integers: the dialogs meet products such as 30000 × 30000 × 3
// that do not fit 32 bits, and a typed length can stand for far more pixels than that. Nothing
// outside the limits below ever leaves a dialog: it is refused there, with its reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace varnel {

// The largest side of an image the engine makes, and the resolutions it takes.
inline constexpr int32_t kMaxImageSide = 30000;
inline constexpr float kMinResolution = 1.0f;
inline constexpr float kMaxResolution = 9999.999f;

// What a dialog shows for memory: "--" when a side lies outside 1 … 30000; the bytes at three
// a pixel as "%u bytes" up to 1023 bytes; otherwise the number in units of 1024, 1024² or 1024³
// with two decimals followed by "K", "M" or "G", where a number written with more than four
// characters loses its trailing zeros and then a trailing point ("900.00" → "900", "29.30" →
// "29.3", but "1.50" stays).
std::string memorySizeText(int64_t width, int64_t height);
// width × height × 3 in 64 bits; 0 when either side is not positive or the sides lie beyond the
// limit (then the figure is never shown).
uint64_t imageMemoryBytes(int64_t width, int64_t height);

// A side in pixels the engine takes.
inline bool isSideInRange(int64_t pixels) {
    return pixels >= 1 && pixels <= kMaxImageSide;
}
// A resolution the engine takes: finite, 1 … 9999.999 (compared in single precision, as stored).
bool isResolutionInRange(double resolution);

// A length converted into pixels, truncated. The single-precision conversions leave a length
// that was converted from whole pixels a few units of the last place below them (640 pixels to
// centimetres and back gives 639.99994): a value within a millionth of the next whole number
// counts as that number, so that going to another unit and back keeps whole pixels. Values far
// beyond any image saturate; NaN gives nothing.
std::optional<int64_t> truncatedPixels(double value);
// trunc(value + 0.5): the rounding of the Image Size conversions (saturating; NaN gives nothing).
std::optional<int64_t> roundedPixels(double value);
// Rounding half away from zero: the Canvas Size conversions (saturating; NaN gives nothing).
std::optional<int64_t> roundedAwayFromZero(double value);

// Why a side cannot be used, or "" when it can. `what` names it in the text ("width",
// "height"); nothing stands for an empty field.
std::string sideProblem(const std::string& what, std::optional<int64_t> pixels);
// Why a resolution cannot be used, or "" when it can; nothing stands for an empty field.
std::string resolutionProblem(std::optional<double> resolution);

}  // namespace varnel
