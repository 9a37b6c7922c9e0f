#include "core/blend_rows.h"

#include <array>
#include <cstring>
#include <utility>

#include "core/blend_detail.h"
#include "core/blend_modes.h"

namespace varnel {

namespace {

using blend_detail::channel;

// Rows are processed in chunks so that per-chunk scratch (expanded alphas) lives on the stack.
constexpr int kChunk = 512;

// Exact x / 255 for 0 <= x <= 65279, in a form that vectorises with plain adds and shifts.
inline uint32_t d255(uint32_t x) {
    return (x + 1 + (x >> 8)) >> 8;
}

// Base fully opaque, one source alpha for the whole run: blendPixel reduces to
// s × B / 255 + (255 − s) × b / 255 per channel (alpha stays 255). Works on channel bytes.
template <int M>
void opaqueConstSeparable(uint8_t* base, const uint8_t* source, int bytes, uint32_t s) {
    if (s == 255) {
        if constexpr (M == 0) {
            std::memcpy(base, source, size_t(bytes));
        } else {
            for (int i = 0; i < bytes; ++i) base[i] = uint8_t(channel<M>(base[i], source[i]));
        }
        return;
    }
    const uint32_t r = 255 - s;
    for (int i = 0; i < bytes; ++i) {
        const uint32_t b = base[i];
        const uint32_t m = uint32_t(channel<M>(int(b), source[i]));
        base[i] = uint8_t(d255(s * m) + d255(r * b));
    }
}

// Base fully opaque, one alpha per channel byte.
template <int M>
void opaqueVarSeparable(uint8_t* base, const uint8_t* source, const uint8_t* alpha3, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        const uint32_t s = alpha3[i];
        const uint32_t b = base[i];
        const uint32_t m = uint32_t(channel<M>(int(b), source[i]));
        base[i] = uint8_t(d255(s * m) + d255((255 - s) * b));
    }
}

// Base fully opaque, any mode, one alpha per pixel.
void opaqueNonSeparable(Bgr* base, const Bgr* source, const uint8_t* alpha, int n, int mode) {
    for (int i = 0; i < n; ++i) {
        const uint32_t s = alpha[i];
        if (s == 0) continue;
        Bgr m;
        blendColor(m, base[i], source[i], mode);
        if (s == 255) {
            base[i] = m;
            continue;
        }
        const uint32_t r = 255 - s;
        base[i].b = uint8_t(d255(s * m.b) + d255(r * base[i].b));
        base[i].g = uint8_t(d255(s * m.g) + d255(r * base[i].g));
        base[i].r = uint8_t(d255(s * m.r) + d255(r * base[i].r));
    }
}

inline uint8_t mixGeneral(int cb, int cs, int m, int a, int s, int A) {
    return uint8_t((s * ((255 - a) * cs + a * m)) / (255 * A) + ((A - s) * cb) / A);
}

// Any base alpha: the full blendPixel formula, with the opaque and transparent bases short-cut.
template <int M>
void generalRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* alpha, int n) {
    for (int i = 0; i < n; ++i) {
        const int s = alpha[i];
        if (s == 0) continue;
        const int a = baseAlpha[i];
        const Bgr& src = source[i];
        Bgr& dst = base[i];
        if (a == 0) {
            dst = src;
            baseAlpha[i] = uint8_t(s);
            continue;
        }
        Bgr m;
        if constexpr (M <= kBlendXor) {
            m.b = uint8_t(channel<M>(dst.b, src.b));
            m.g = uint8_t(channel<M>(dst.g, src.g));
            m.r = uint8_t(channel<M>(dst.r, src.r));
        } else {
            blendColor(m, dst, src, M);
        }
        if (a == 255) {
            const uint32_t r = 255 - uint32_t(s);
            dst.b = uint8_t(d255(uint32_t(s) * m.b) + d255(r * dst.b));
            dst.g = uint8_t(d255(uint32_t(s) * m.g) + d255(r * dst.g));
            dst.r = uint8_t(d255(uint32_t(s) * m.r) + d255(r * dst.r));
            continue;
        }
        const int A = a + s - int(d255(uint32_t(a * s)));
        dst.b = mixGeneral(dst.b, src.b, m.b, a, s, A);
        dst.g = mixGeneral(dst.g, src.g, m.g, a, s, A);
        dst.r = mixGeneral(dst.r, src.r, m.r, a, s, A);
        baseAlpha[i] = uint8_t(A);
    }
}

using ConstFn = void (*)(uint8_t*, const uint8_t*, int, uint32_t);
using VarFn = void (*)(uint8_t*, const uint8_t*, const uint8_t*, int);
using GeneralFn = void (*)(Bgr*, uint8_t*, const Bgr*, const uint8_t*, int);

template <size_t... I>
constexpr auto makeConstTable(std::index_sequence<I...>) {
    return std::array<ConstFn, sizeof...(I)>{&opaqueConstSeparable<int(I)>...};
}
template <size_t... I>
constexpr auto makeVarTable(std::index_sequence<I...>) {
    return std::array<VarFn, sizeof...(I)>{&opaqueVarSeparable<int(I)>...};
}
template <size_t... I>
constexpr auto makeGeneralTable(std::index_sequence<I...>) {
    return std::array<GeneralFn, sizeof...(I)>{&generalRow<int(I)>...};
}

constexpr auto kConst = makeConstTable(std::make_index_sequence<15>());
constexpr auto kVar = makeVarTable(std::make_index_sequence<15>());
constexpr auto kGeneral = makeGeneralTable(std::make_index_sequence<kBlendModeCount>());

bool allOpaque(const uint8_t* alpha, int n) {
    uint8_t acc = 0xFF;
    for (int i = 0; i < n; ++i) acc &= alpha[i];
    return acc == 0xFF;
}

}  // namespace

void blendRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int mode, int count) {
    if (opacity == 0 || count <= 0) return;
    if (!isValidBlendMode(mode)) mode = kBlendNormal;
    const bool separable = mode <= kBlendXor;
    uint8_t alpha[kChunk];
    uint8_t alpha3[3 * kChunk];
    for (int x0 = 0; x0 < count; x0 += kChunk) {
        const int n = count - x0 < kChunk ? count - x0 : kChunk;
        Bgr* b = base + x0;
        const Bgr* s = source + x0;
        const bool opaque = baseAlpha == nullptr || allOpaque(baseAlpha + x0, n);
        if (opaque && separable && sourceAlpha == nullptr) {
            kConst[size_t(mode)](reinterpret_cast<uint8_t*>(b), reinterpret_cast<const uint8_t*>(s),
                                 3 * n, opacity);
            continue;
        }
        if (sourceAlpha) {
            const uint8_t* p = sourceAlpha + x0;
            if (opacity == 255) {
                std::memcpy(alpha, p, size_t(n));
            } else {
                for (int i = 0; i < n; ++i) alpha[i] = effectiveAlpha(p[i], opacity);
            }
        } else {
            std::memset(alpha, opacity, size_t(n));
        }
        if (!opaque) {
            kGeneral[size_t(mode)](b, baseAlpha + x0, s, alpha, n);
        } else if (separable) {
            for (int i = 0; i < n; ++i) {
                alpha3[3 * i] = alpha3[3 * i + 1] = alpha3[3 * i + 2] = alpha[i];
            }
            kVar[size_t(mode)](reinterpret_cast<uint8_t*>(b), reinterpret_cast<const uint8_t*>(s),
                               alpha3, 3 * n);
        } else {
            opaqueNonSeparable(b, s, alpha, n, mode);
        }
    }
}

void startRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int count) {
    if (count <= 0) return;
    if (sourceAlpha == nullptr) {
        std::memset(baseAlpha, opacity, size_t(count));
        if (opacity != 0) std::memcpy(base, source, size_t(count) * sizeof(Bgr));
        return;
    }
    for (int i = 0; i < count; ++i) {
        const uint8_t a = opacity == 255 ? sourceAlpha[i] : effectiveAlpha(sourceAlpha[i], opacity);
        baseAlpha[i] = a;
        if (a != 0) base[i] = source[i];
    }
}

void multiplyAlphaRow(uint8_t* accumulated, const uint8_t* plane, int count) {
    for (int i = 0; i < count; ++i) accumulated[i] = effectiveAlpha(accumulated[i], plane[i]);
}

}  // namespace varnel
