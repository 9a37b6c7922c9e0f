// The fixed convolutions of the Filter menu (Blur, Blur More, Sharpen, Sharpen More) over a base
// that convolves a surface with any odd-sized square kernel.
//
// Every channel of every pixel in the processing rectangle becomes
//   clamp(Σ kernel[dy][dx] × p(x + dx − half, y + dy − half) / divisor + bias, 0, 255)
// with the division truncating toward zero. Reads outside the surface take the nearest pixel of
// the surface (edges and corners repeat), and every read sees the pixels as they were before the
// filter ran, so results never feed later pixels. Through a coverage mask a 24-bit pixel with
// coverage c becomes result + ((old − result) × (255 − c) >> 8), an 8-bit one
// old + ((result − old) × c >> 8); 0 keeps the pixel and 255 takes the result.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filters/filter.h"

namespace varnel {

class KernelFilter : public AreaFilter {
public:
    // The 3 × 3 identity (1 in the centre, divisor 1, bias 0).
    KernelFilter();

    // A size × size kernel, row-major with the row giving the vertical offset. An even or
    // non-positive size, or no weights, leaves the previous kernel in place (and fails).
    int setKernel(const int32_t* weights, int32_t size);
    // A divisor ≤ 0 is stored as 1.
    void setDivisor(int32_t divisor) { divisor_ = divisor <= 0 ? 1 : divisor; }
    void setBias(int32_t bias) { bias_ = bias; }

    const std::vector<int32_t>& kernel() const { return kernel_; }
    int32_t size() const { return size_; }
    int32_t half() const { return size_ / 2; }
    int32_t divisor() const { return divisor_; }
    int32_t bias() const { return bias_; }

    // The convolution reads a copy of the rows it needs, so it can read another surface too.
    bool readsSeparateSource() const override { return true; }

protected:
    int process24(PixelSurface& surface) override;
    int process8(PixelSurface& surface) override;
    // Only the processing rectangle changes.
    Rect changedArea() const override { return rect_; }
    std::unique_ptr<AreaFilter> cloneFilter() const override;
    // An empty filter of the same class, for clone (which copies kernel, divisor and bias).
    virtual std::unique_ptr<KernelFilter> newSameClass() const;

private:
    int convolve(PixelSurface& surface, int bytesPerPixel);

    std::vector<int32_t> kernel_;
    int32_t size_ = 0;
    int32_t divisor_ = 1;
    int32_t bias_ = 0;
};

// 0 1 0 / 1 4 1 / 0 1 0, divisor 8.
class BlurFilter : public KernelFilter {
public:
    BlurFilter();
    std::string name() const override { return "Blur"; }

protected:
    std::unique_ptr<KernelFilter> newSameClass() const override;
};

// 1 2 1 / 2 2 2 / 1 2 1, divisor 14.
class BlurMoreFilter : public KernelFilter {
public:
    BlurMoreFilter();
    std::string name() const override { return "Blur More"; }

protected:
    std::unique_ptr<KernelFilter> newSameClass() const override;
};

// 0 −1 0 / −1 8 −1 / 0 −1 0, divisor 4.
class SharpenFilter : public KernelFilter {
public:
    SharpenFilter();
    std::string name() const override { return "Sharpen"; }

protected:
    std::unique_ptr<KernelFilter> newSameClass() const override;
};

// −1 −1 −1 / −1 12 −1 / −1 −1 −1, divisor 4.
class SharpenMoreFilter : public KernelFilter {
public:
    SharpenMoreFilter();
    std::string name() const override { return "Sharpen More"; }

protected:
    std::unique_ptr<KernelFilter> newSameClass() const override;
};

}  // namespace varnel
