// Rectangles, sizes and points in pixel coordinates: x grows to the right, y downwards, row 0 is
// the top row. Right and bottom edges are exclusive.
#pragma once

#include <algorithm>
#include <cstdint>

namespace varnel {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int32_t width = 0;
    int32_t height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    static Rect fromSize(Size s) { return {0, 0, s.width, s.height}; }
    static Rect fromXYWH(int32_t x, int32_t y, int32_t w, int32_t h) {
        return {x, y, x + w, y + h};
    }

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    Size size() const { return {width(), height()}; }
    Point topLeft() const { return {left, top}; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    // Swaps reversed edges so that left <= right and top <= bottom.
    Rect normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
    }
    bool contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    bool contains(Point p) const { return contains(p.x, p.y); }
    // True when `r` lies wholly inside this rectangle (an empty `r` is contained nowhere).
    bool contains(const Rect& r) const {
        return !r.isEmpty() && r.left >= left && r.right <= right && r.top >= top &&
               r.bottom <= bottom;
    }
    // Empty rectangles intersect nothing; the result of a disjoint intersection is the empty
    // rectangle {0, 0, 0, 0}.
    Rect intersected(const Rect& r) const {
        Rect out{std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
                 std::min(bottom, r.bottom)};
        return out.isEmpty() ? Rect{} : out;
    }
    bool intersects(const Rect& r) const { return !intersected(r).isEmpty(); }
    // The union ignores empty operands.
    Rect united(const Rect& r) const {
        if (r.isEmpty()) return *this;
        if (isEmpty()) return r;
        return {std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
                std::max(bottom, r.bottom)};
    }
    Rect offset(int32_t dx, int32_t dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace varnel
