// Choosing and applying a PNG row filter when writing: the adaptive choice libpng makes by default.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnel {

// Filters one row of rowBytes bytes with the filter libpng's writer picks by default: of the five
// filters, the one whose output bytes, read as signed numbers, have the smallest sum of
// magnitudes; ties go to the simpler filter. `prev` is the row above (all zeros for the first
// row). Writes the filter type and the filtered row to out (rowBytes + 1 bytes) and returns the
// type.
int filterRow(const uint8_t* cur, const uint8_t* prev, uint8_t* out, size_t rowBytes,
              int bytesPerPixel);

}  // namespace varnel
