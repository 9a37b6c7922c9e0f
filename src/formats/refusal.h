// The reasons readers and writers give when they refuse a file, worded for the user: they follow
// "Cannot open file ..." in the editor's error box and in varnel-cli's message.
#pragma once

#include <cstdint>
#include <string>

#include "core/surface_store.h"

namespace varnel {

// Pictures up to this many pixels (48 MB of colour) are decoded whatever the length of their
// file. Beyond it, a compressed file must be long enough to hold the picture at its format's
// best possible compression: a header cannot make a file of a few bytes cost gigabytes.
constexpr uint64_t kPixelsDecodedUnchecked = uint64_t(1) << 24;

// Empty when both sides lie within 1..kMaxSurfaceSide; otherwise why not, for the first side out
// of range: "width 40000 exceeds the 30000-pixel limit", "height 0 is invalid".
std::string checkSides(int64_t width, int64_t height);

// "truncated at byte 1234 of 5000", or "truncated at byte 1234" when the expected length is not
// known (0).
std::string truncatedAt(uint64_t at, uint64_t expected = 0);

// "header claims a 2.7 GB image from a 5000 byte file".
std::string claimsMoreThanFile(uint64_t imageBytes, uint64_t fileBytes);

// A byte count for people: "980 bytes", "29 KB", "2.6 MB", "27 MB", "2.7 GB".
std::string describeBytes(uint64_t bytes);

}  // namespace varnel
