// A libpng writer into memory with libpng's own defaults, the reference that the tests and
// benchmarks hold our PNG writer against.
#pragma once

#include <cstdint>
#include <vector>

#include <png.h>

namespace testsupport {

class PngMemoryWriter {
public:
    PngMemoryWriter()
    {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        info = png_create_info_struct(png);
        png_set_write_fn(
            png, &out,
            [](png_structp p, png_bytep d, png_size_t n) {
                auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
                v->insert(v->end(), d, d + n);
            },
            nullptr);
        png_set_compression_level(png, 6);
    }
    ~PngMemoryWriter() { png_destroy_write_struct(&png, &info); }
    PngMemoryWriter(const PngMemoryWriter&) = delete;
    PngMemoryWriter& operator=(const PngMemoryWriter&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t> out;
};

} // namespace testsupport
