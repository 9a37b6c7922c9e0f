// Undoing a PNG's row filters: each stored row begins with a filter type (0 none, 1 sub, 2 up,
// 3 average, 4 Paeth) and holds its samples as differences from a prediction out of the pixel to
// the left, the one above and the one above left.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnel {

// Restores one row of 8-bit samples in place. `row` holds rowBytes filtered bytes (without the
// type byte); `prev` is the row above, already restored, or null for the first row (read as
// zeros). bytesPerPixel is 3 or 4. Returns false, leaving the row as it was, for a filter type
// over 4.
bool unfilterRow(int filter, uint8_t* row, const uint8_t* prev, size_t rowBytes, int bytesPerPixel);

// Restores one row of 8-bit red, green, blue samples straight into a row of blue, green, red
// pixels. `in` holds the 3 × width filtered bytes (without the type byte) and must be followed by
// at least one more readable byte; `prevOut` is the row above as this function wrote it, or null
// for the first row. Writes exactly 3 × width bytes. False, writing nothing, for a filter type
// over 4.
bool unfilterRgbToBgr(int filter, const uint8_t* in, const uint8_t* prevOut, uint8_t* out,
                      size_t width);

}  // namespace varnel
