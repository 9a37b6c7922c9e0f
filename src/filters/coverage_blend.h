// Writing a filter's results back through a coverage mask, a row at a time. Masks of real
// selections are mostly runs of 0 (nothing to do) and 255 (a plain copy) with partial coverage
// only along feathered edges, so the row is walked in runs and only the partial pixels are mixed.
#pragma once

#include <cstdint>
#include <cstring>

namespace varnel::coverage {

// How a partial coverage c mixes the old value o and the filter's result r.
enum class Rule {
    // o + ((r − o) × c >> 8): the point filters' and Gaussian Blur's rule.
    TowardResult,
    // r + ((o − r) × (255 − c) >> 8): the convolutions' rule for 24-bit pixels.
    FromResult,
};

inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// First index ≥ x (and ≤ n) whose byte differs from `value`.
inline int32_t runEnd(const uint8_t* m, int32_t x, int32_t n, uint8_t value) {
    const uint64_t word = 0x0101010101010101ull * value;
    while (x + 8 <= n && load64(m + x) == word) x += 8;
    while (x < n && m[x] == value) ++x;
    return x;
}

// dst[i] for the `n` pixels of `Bpp` bytes: coverage 0 leaves dst (which must hold the old value
// where old ≠ dst), 255 takes the result, values between mix old and result by the rule.
template <int Bpp, Rule R>
void blendRow(const uint8_t* old, const uint8_t* result, uint8_t* dst, const uint8_t* mask,
              int32_t n) {
    int32_t x = 0;
    while (x < n) {
        const uint8_t c0 = mask[x];
        if (c0 == 0 || c0 == 255) {
            const int32_t end = runEnd(mask, x, n, c0);
            const size_t from = size_t(x) * Bpp, bytes = size_t(end - x) * Bpp;
            if (c0 == 255) {
                if (dst + from != result + from) std::memmove(dst + from, result + from, bytes);
            } else if (dst != old) {
                std::memmove(dst + from, old + from, bytes);
            }
            x = end;
            continue;
        }
        for (; x < n && mask[x] != 0 && mask[x] != 255; ++x) {
            const int c = mask[x];
            for (int k = 0; k < Bpp; ++k) {
                const size_t i = size_t(x) * Bpp + size_t(k);
                const int o = old[i];
                const int r = result[i];
                if constexpr (R == Rule::TowardResult) {
                    dst[i] = uint8_t(o + (((r - o) * c) >> 8));
                } else {
                    dst[i] = uint8_t(r + (((o - r) * (255 - c)) >> 8));
                }
            }
        }
    }
}

}  // namespace varnel::coverage
