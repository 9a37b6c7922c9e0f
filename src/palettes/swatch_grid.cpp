#include "palettes/swatch_grid.h"

#include <algorithm>

namespace varnel {

namespace {

constexpr Bgra rgb(uint32_t v) {
    return Bgra{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 255};
}

}  // namespace

const std::vector<Bgra>& defaultSwatches() {
    static const std::vector<Bgra> colors = [] {
        static constexpr uint32_t table[] = {
            0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0xFFFFFF, 0xEBEBEB,
            0xE1E1E1, 0xD7D7D7, 0xCCCCCC, 0xC2C2C2, 0xB7B7B7, 0xACACAC, 0xA0A0A0, 0x959595,
            0xEE1D24, 0xFFF100, 0x00A650, 0x00AEEF, 0x2F3192, 0xED008C, 0x898989, 0x7D7D7D,
            0x707070, 0x626262, 0x555555, 0x464646, 0x363636, 0x262626, 0x111111, 0x000000,
            0xF7977A, 0xFBAD82, 0xFDC68C, 0xFFF799, 0xC6DF9C, 0xA4D49D, 0x81CA9D, 0x7BCDC9,
            0x6CCFF7, 0x7CA6D8, 0x8293CA, 0x8881BE, 0xA286BD, 0xBC8CBF, 0xF49BC1, 0xF5999D,
            0xF16C4D, 0xF68E54, 0xFBAF5A, 0xFFF467, 0xACD372, 0x7DC473, 0x39B778, 0x16BCB4,
            0x00BFF3, 0x438CCB, 0x5573B7, 0x5E5CA7, 0x855FA8, 0xA763A9, 0xEF6EA8, 0xF16D7E,
            0xEE1D24, 0xF16522, 0xF7941D, 0xFFF100, 0x8FC63D, 0x37B44A, 0x00A650, 0x00A99E,
            0x00AEEF, 0x0072BC, 0x0054A5, 0x2F3192, 0x652C91, 0x91278F, 0xED008C, 0xEE105A,
            0x9D0A0F, 0xA1410D, 0xA36209, 0xABA000, 0x588528, 0x197B30, 0x007236, 0x00736A,
            0x0076A4, 0x004A80, 0x003370, 0x1D1363, 0x450E61, 0x62055F, 0x9E005C, 0x9D0039,
            0x790000, 0x7B3000, 0x7C4900, 0x827A00, 0x3E6617, 0x045F20, 0x005824, 0x005951,
            0x005B7E, 0x003562, 0x002056, 0x0C004B, 0x30004A, 0x4B0048, 0x7A0045, 0x7A0026,
            0xC7B198, 0x9A8575, 0x726357, 0x524842, 0x362F2C, 0xC69C6D, 0xA77C50, 0x8C623A,
            0x744B24, 0x613813,
        };
        static_assert(std::size(table) == kDefaultSwatchCount);
        std::vector<Bgra> out;
        for (uint32_t v : table) out.push_back(rgb(v));
        return out;
    }();
    return colors;
}

SwatchGrid SwatchGrid::forWidth(int32_t width, int32_t count) {
    SwatchGrid g;
    g.count = std::max(0, count);
    // (W + 1) / 12 is 0 for widths up to 10: such a view still shows one column.
    g.columns = width > 0 ? std::max(1, (width + 1) / kSwatchCellSize) : 1;
    g.rows = (g.count + g.columns - 1) / g.columns;
    return g;
}

int32_t SwatchGrid::contentHeight() const {
    return rows > 0 ? rows * kSwatchCellSize - 1 : 1;
}

int32_t SwatchGrid::hitTest(Point p, int32_t width) const {
    if (p.x < 0 || p.x > width - 1 || p.y < 0 || p.y > rows * kSwatchCellSize - 1) return -1;
    const int32_t row = p.y / kSwatchCellSize, column = p.x / kSwatchCellSize;
    if (column >= columns) return -1;
    const int32_t index = column + row * columns;
    return index < count ? index : -1;
}

Rect SwatchGrid::cell(int32_t index) const {
    const int32_t x = (index % columns) * kSwatchCellSize, y = (index / columns) * kSwatchCellSize;
    return Rect{x, y, x + kSwatchCellSize, y + kSwatchCellSize};
}

std::vector<SwatchLine> swatchGridLines(const SwatchGrid& g) {
    std::vector<SwatchLine> lines;
    if (g.rows == 0) return lines;
    const int32_t c = kSwatchCellSize;
    const int32_t rest = g.count % g.columns;  // swatches in an incomplete last row
    for (int32_t r = 1; r <= g.rows; ++r) {
        const int32_t end = (r == g.rows && rest > 0) ? rest * c : g.columns * c;
        lines.push_back({{0, r * c - 1}, {end - 1, r * c - 1}});
    }
    for (int32_t col = 1; col <= g.columns; ++col) {
        const int32_t end = (rest > 0 && col - 1 >= rest) ? (g.rows - 1) * c : g.rows * c;
        if (end > 0) lines.push_back({{col * c - 1, 0}, {col * c - 1, end - 1}});
    }
    return lines;
}

}  // namespace varnel
