#include "filters/kernel_filter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "filters/coverage_blend.h"
#include "platform/parallel.h"

namespace varnel {

namespace {

constexpr int32_t kIdentity[9] = {0, 0, 0, 0, 1, 0, 0, 0, 0};
constexpr int32_t kBlur[9] = {0, 1, 0, 1, 4, 1, 0, 1, 0};
constexpr int32_t kBlurMore[9] = {1, 2, 1, 2, 2, 2, 1, 2, 1};
constexpr int32_t kSharpen[9] = {0, -1, 0, -1, 8, -1, 0, -1, 0};
constexpr int32_t kSharpenMore[9] = {-1, -1, -1, -1, 12, -1, -1, -1, -1};

inline uint8_t clampByte(int64_t v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The working copy of the source, a few rows at a time: the rows the kernel reads around the
// current row, each covering the processing rectangle's columns widened by `half` on both sides.
// Rows and columns outside the surface repeat the nearest edge pixel. The rows are copied before
// the row they surround is written, so every read sees the pixels as they were.
class PaddedRows {
public:
    // `rowOf(y)` gives source row y (0 ≤ y < height) as it was before the filter ran.
    template <typename RowOf>
    PaddedRows(const PixelSurface& source, Rect rect, int32_t half, int32_t bpp, RowOf rowOf)
        : rowOf_(std::move(rowOf)),
          width_(source.width()),
          height_(source.height()),
          rect_(rect),
          half_(half),
          bpp_(bpp),
          count_(2 * half + 1),
          rowBytes_(size_t(rect.width() + 2 * half) * size_t(bpp)),
          data_(rowBytes_ * size_t(count_)) {}

    // Copies surface row clamp(y) into the slot of row y.
    void load(int32_t y) {
        const int32_t sy = std::clamp(y, 0, height_ - 1);
        const uint8_t* in = rowOf_(sy);
        uint8_t* out = slot(y);
        const int32_t first = rect_.left - half_;  // surface column of the slot's first pixel
        const int32_t last = rect_.right + half_;  // one past the last
        const int32_t from = std::max(first, 0);
        const int32_t to = std::min(last, width_);
        if (to > from)
            std::memcpy(out + size_t(from - first) * bpp_, in + size_t(from) * bpp_,
                        size_t(to - from) * bpp_);
        for (int32_t x = first; x < from; ++x)
            std::memcpy(out + size_t(x - first) * bpp_, in, size_t(bpp_));
        const uint8_t* lastPixel = in + size_t(width_ - 1) * bpp_;
        for (int32_t x = to; x < last; ++x)
            std::memcpy(out + size_t(x - first) * bpp_, lastPixel, size_t(bpp_));
    }

    // The slot of row y (which must be one of the last count_ rows loaded).
    uint8_t* slot(int32_t y) {
        const int32_t i = (y - (rect_.top - half_)) % count_;
        return data_.data() + size_t(i) * rowBytes_;
    }

private:
    std::function<const uint8_t*(int32_t)> rowOf_;
    int32_t width_;
    int32_t height_;
    Rect rect_;
    int32_t half_;
    int32_t bpp_;
    int32_t count_;
    size_t rowBytes_;
    std::vector<uint8_t> data_;
};

// One output row of a fixed 3 × 3 kernel: a, b, c are the padded rows above, at and below, and
// byte i of the output is centred on byte i + Bpp of b. The weights are constants so that the
// compiler drops the zero taps and vectorises the loop.
template <int Bpp, int K0, int K1, int K2, int K3, int K4, int K5, int K6, int K7, int K8, int Div>
void row3(const uint8_t* const* rows, uint8_t* out, int32_t n) {
    const uint8_t* a = rows[0];
    const uint8_t* b = rows[1];
    const uint8_t* c = rows[2];
    for (int32_t i = 0; i < n; ++i) {
        // The sums of these kernels fit 16 bits; a negative sum divides to a value ≤ 0 and
        // clamps to 0 whichever way it rounds, so it is clamped first and divided unsigned.
        const int16_t s = int16_t(K0 * a[i] + K1 * a[i + Bpp] + K2 * a[i + 2 * Bpp] + K3 * b[i] +
                                  K4 * b[i + Bpp] + K5 * b[i + 2 * Bpp] + K6 * c[i] +
                                  K7 * c[i + Bpp] + K8 * c[i + 2 * Bpp]);
        const uint16_t v = uint16_t(s < 0 ? 0 : s) / uint16_t(Div);
        out[i] = uint8_t(v > 255 ? 255 : v);
    }
}

using RowFn = void (*)(const uint8_t* const* rows, uint8_t* out, int32_t n);

template <int Bpp>
struct Fixed {
    const int32_t* weights;
    int32_t divisor;
    RowFn fn;
};

template <int Bpp>
RowFn fixedRow(const std::vector<int32_t>& kernel, int32_t divisor) {
    static const Fixed<Bpp> table[] = {
        {kBlur, 8, row3<Bpp, 0, 1, 0, 1, 4, 1, 0, 1, 0, 8>},
        {kBlurMore, 14, row3<Bpp, 1, 2, 1, 2, 2, 2, 1, 2, 1, 14>},
        {kSharpen, 4, row3<Bpp, 0, -1, 0, -1, 8, -1, 0, -1, 0, 4>},
        {kSharpenMore, 4, row3<Bpp, -1, -1, -1, -1, 12, -1, -1, -1, -1, 4>},
        {kIdentity, 1, row3<Bpp, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1>},
    };
    if (kernel.size() != 9) return nullptr;
    for (const Fixed<Bpp>& f : table) {
        if (f.divisor == divisor && std::equal(kernel.begin(), kernel.end(), f.weights))
            return f.fn;
    }
    return nullptr;
}

// Any kernel: sums in 64 bits, so that no weights can overflow them.
void rowGeneric(const uint8_t* const* rows, uint8_t* out, int32_t n, const int32_t* kernel,
                int32_t size, int32_t bpp, int32_t divisor, int32_t bias) {
    for (int32_t i = 0; i < n; ++i) {
        int64_t s = 0;
        for (int32_t dy = 0; dy < size; ++dy) {
            const uint8_t* r = rows[dy] + i;
            const int32_t* k = kernel + size_t(dy) * size_t(size);
            for (int32_t dx = 0; dx < size; ++dx) s += int64_t(k[dx]) * r[dx * bpp];
        }
        out[i] = clampByte(s / divisor + bias);
    }
}

}  // namespace

// --- KernelFilter ---------------------------------------------------------------------------

KernelFilter::KernelFilter() {
    setKernel(kIdentity, 3);
}

int KernelFilter::setKernel(const int32_t* weights, int32_t size) {
    if (!weights || size <= 0 || size % 2 == 0) return 0;
    try {
        kernel_.assign(weights, weights + size_t(size) * size_t(size));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    size_ = size;
    return 1;
}

std::unique_ptr<KernelFilter> KernelFilter::newSameClass() const {
    return std::make_unique<KernelFilter>();
}

std::unique_ptr<AreaFilter> KernelFilter::cloneFilter() const {
    std::unique_ptr<KernelFilter> copy = newSameClass();
    if (!copy || !copy->setKernel(kernel_.data(), size_)) return nullptr;
    copy->setDivisor(divisor_);
    copy->setBias(bias_);
    return copy;
}

int KernelFilter::process24(PixelSurface& surface) {
    return convolve(surface, 3);
}

int KernelFilter::process8(PixelSurface& surface) {
    return convolve(surface, 1);
}

int KernelFilter::convolve(PixelSurface& target, int bytesPerPixel) {
    const PixelSurface& source = *source_;
    const Rect rect = rect_;
    const int32_t half = this->half();
    const int32_t n = rect.width() * bytesPerPixel;
    const size_t left = size_t(rect.left) * size_t(bytesPerPixel);
    RowFn fixed = nullptr;
    if (size_ == 3 && bias_ == 0)
        fixed =
            bytesPerPixel == 3 ? fixedRow<3>(kernel_, divisor_) : fixedRow<1>(kernel_, divisor_);

    // Rows [y0, y1) of the rectangle, reading source rows through rowOf.
    auto band = [&](int32_t y0, int32_t y1, const std::function<const uint8_t*(int32_t)>& rowOf,
                    std::vector<const uint8_t*>& rows, std::vector<uint8_t>& result) {
        PaddedRows padded(source, rect, half, bytesPerPixel, rowOf);
        for (int32_t y = y0 - half; y < y0 + half; ++y) padded.load(y);
        for (int32_t y = y0; y < y1; ++y) {
            padded.load(y + half);
            for (int32_t dy = 0; dy < size_; ++dy) rows[size_t(dy)] = padded.slot(y - half + dy);
            uint8_t* out = mask_ ? result.data() : target.row(y) + left;
            if (fixed) {
                fixed(rows.data(), out, n);
            } else {
                rowGeneric(rows.data(), out, n, kernel_.data(), size_, bytesPerPixel, divisor_,
                           bias_);
            }
            if (!mask_) continue;
            const uint8_t* m =
                mask_->plane->row(y - mask_->origin.y) + (rect.left - mask_->origin.x);
            const uint8_t* old = rowOf(y);
            uint8_t* dst = target.row(y) + left;
            if (bytesPerPixel == 3) {
                coverage::blendRow<3, coverage::Rule::FromResult>(old + left, result.data(), dst, m,
                                                                  rect.width());
            } else {
                coverage::blendRow<1, coverage::Rule::TowardResult>(old + left, result.data(), dst,
                                                                    m, rect.width());
            }
        }
    };

    // The rectangle is cut into bands of rows that run on the worker threads. In place, a band
    // reads rows of its neighbours that they may already have written: those rows (up to `half`
    // on each side of every cut) are saved first, and the bands read them from the copies. Every
    // allocation is made before the first pixel changes.
    const int32_t height = rect.height();
    const int minRows = std::max(minRowsFor(rect.width()), int(half) + 1);
    int32_t bands = 1;
    if (workerThreads() > 1) bands = std::clamp<int32_t>(height / minRows, 1, workerThreads() * 4);
    const bool inPlace = &source == &target;
    struct Band {
        int32_t y0, y1;
        std::vector<const uint8_t*> rows;
        std::vector<uint8_t> result;
        // In place: the rows of the neighbours this band reads, as they were.
        int32_t savedTop = 0;
        std::vector<uint8_t> saved;
    };
    std::vector<Band> parts;
    const size_t rowBytes = size_t(source.bytesPerRow());
    try {
        parts.resize(size_t(bands));
        for (int32_t b = 0; b < bands; ++b) {
            Band& part = parts[size_t(b)];
            part.y0 = rect.top + int32_t(int64_t(height) * b / bands);
            part.y1 = rect.top + int32_t(int64_t(height) * (b + 1) / bands);
            part.rows.resize(size_t(size_));
            part.result.resize(mask_ ? size_t(n) : 0);
            if (inPlace && bands > 1) {
                // The rows within `half` above and below the band that lie in the rectangle
                // (rows outside it are never written).
                part.savedTop = std::max(part.y0 - half, rect.top);
                const int32_t savedBottom = std::min(part.y1 + half, rect.bottom);
                const int32_t saveRows = (part.y0 - part.savedTop) + (savedBottom - part.y1);
                part.saved.resize(rowBytes * size_t(saveRows));
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    auto direct = [&](int32_t y) { return source.row(y); };
    if (bands == 1) {
        band(rect.top, rect.bottom, direct, parts[0].rows, parts[0].result);
        return 1;
    }
    if (inPlace) {
        for (Band& part : parts) {
            uint8_t* at = part.saved.data();
            for (int32_t y = part.savedTop; y < part.y0; ++y, at += rowBytes)
                std::memcpy(at, source.row(y), rowBytes);
            for (int32_t y = part.y1; y < std::min(part.y1 + half, rect.bottom);
                 ++y, at += rowBytes)
                std::memcpy(at, source.row(y), rowBytes);
        }
    }
    parallelRows(bands, 1, [&](int first, int last) {
        for (int b = first; b < last; ++b) {
            Band& part = parts[size_t(b)];
            if (!inPlace) {
                band(part.y0, part.y1, direct, part.rows, part.result);
                continue;
            }
            // Rows of other bands come from the copies; rows outside the rectangle and the
            // band's own rows (read before they are written) from the surface.
            const int32_t above = part.y0 - part.savedTop;
            auto saved = [&](int32_t y) -> const uint8_t* {
                if (y >= part.savedTop && y < part.y0)
                    return part.saved.data() + size_t(y - part.savedTop) * rowBytes;
                if (y >= part.y1 && y < rect.bottom)
                    return part.saved.data() + size_t(above + (y - part.y1)) * rowBytes;
                return source.row(y);
            };
            band(part.y0, part.y1, saved, part.rows, part.result);
        }
    });
    return 1;
}

// --- the four filters -----------------------------------------------------------------------

BlurFilter::BlurFilter() {
    setKernel(kBlur, 3);
    setDivisor(8);
}
std::unique_ptr<KernelFilter> BlurFilter::newSameClass() const {
    return std::make_unique<BlurFilter>();
}

BlurMoreFilter::BlurMoreFilter() {
    setKernel(kBlurMore, 3);
    setDivisor(14);
}
std::unique_ptr<KernelFilter> BlurMoreFilter::newSameClass() const {
    return std::make_unique<BlurMoreFilter>();
}

SharpenFilter::SharpenFilter() {
    setKernel(kSharpen, 3);
    setDivisor(4);
}
std::unique_ptr<KernelFilter> SharpenFilter::newSameClass() const {
    return std::make_unique<SharpenFilter>();
}

SharpenMoreFilter::SharpenMoreFilter() {
    setKernel(kSharpenMore, 3);
    setDivisor(4);
}
std::unique_ptr<KernelFilter> SharpenMoreFilter::newSameClass() const {
    return std::make_unique<SharpenMoreFilter>();
}

}  // namespace varnel
