// JPEG files written and inspected with libjpeg directly, for the codec tests.
#pragma once

#include <cstdio>
// The library's header expects stdio first.
#include <jpeglib.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdlib>
#include <functional>
#include <vector>

namespace varnel::fixtures {

struct JpegJump {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] inline void jpegFixtureError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegJump*>(cinfo->err)->jump, 1);
}

// A w × h file of `components` samples per pixel (1 grey, 3 RGB, 4 CMYK) at quality 100
// without subsampling; sample(x, y, c) gives each sample.
inline std::vector<uint8_t> writeJpeg(int w, int h, int components,
                                      const std::function<uint8_t(int, int, int)>& sample) {
    jpeg_compress_struct cinfo;
    JpegJump err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegFixtureError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> out;
    std::vector<JSAMPLE> row(size_t(w) * size_t(components));
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        ADD_FAILURE() << "libjpeg could not write the fixture";
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < components; ++c) {
                row[size_t(x * components + c)] = sample(x, y, c);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// What a file's frame header says.
struct JpegHeader {
    bool ok = false;
    int width = 0, height = 0, components = 0;
    int hSampling = 0, vSampling = 0;  // of the first component
    bool progressive = false;
    bool sawJfif = false;
    int densityUnit = 0, xDensity = 0;
};

inline JpegHeader inspectJpeg(const std::vector<uint8_t>& file) {
    JpegHeader h;
    jpeg_decompress_struct cinfo;
    JpegJump err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jpegFixtureError;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return h;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    h.ok = true;
    h.width = int(cinfo.image_width);
    h.height = int(cinfo.image_height);
    h.components = cinfo.num_components;
    h.hSampling = cinfo.comp_info[0].h_samp_factor;
    h.vSampling = cinfo.comp_info[0].v_samp_factor;
    h.progressive = cinfo.progressive_mode != 0;
    h.sawJfif = cinfo.saw_JFIF_marker != 0;
    h.densityUnit = cinfo.density_unit;
    h.xDensity = cinfo.X_density;
    jpeg_destroy_decompress(&cinfo);
    return h;
}

}  // namespace varnel::fixtures
