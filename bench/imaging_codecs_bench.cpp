// Decode and encode speed of the BMP, JPEG and PNG codecs, each beside a direct call of the
// codec library on the same data, so the container's own cost shows as the difference.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>

#include "tests/common/png_memory_writer.h"
#include <unistd.h>

namespace {

/// Photo-like content. ImageMagick's seeded plasma fractal, slightly blurred, when ImageMagick is
/// installed (a fixed, camera-like mix of smooth areas and texture); else gradients with noise.
const CxImage& picture(int w, int h)
{
    static std::map<std::pair<int, int>, CxImage> cache;
    auto it = cache.find({ w, h });
    if (it != cache.end())
        return it->second;
    CxImage img;
    const std::string path = "/tmp/kivra_bench_plasma_" + std::to_string(getpid()) + ".bmp";
    const std::string cmd = "convert -seed 1 -size " + std::to_string(w) + "x" + std::to_string(h)
        + " plasma:fractal -blur 0x0.8 -type truecolor BMP3:" + path + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || !img.Load(path.c_str(), CXIMAGE_FORMAT_BMP) || img.GetBpp() != 24) {
        img.Create(uint32_t(w), uint32_t(h), 24, 0);
        std::mt19937 rng(7);
        for (int y = 0; y < h; ++y) {
            uint8_t* p = img.GetBits(uint32_t(y));
            for (int x = 0; x < w; ++x, p += 3) {
                const int n = int(rng() % 5) - 2;
                p[0] = uint8_t(std::clamp(x * 255 / w + n, 0, 255));
                p[1] = uint8_t(std::clamp(y * 255 / h + n, 0, 255));
                p[2] = uint8_t(std::clamp(((x + y) / 7) % 256 + n, 0, 255));
            }
        }
    }
    unlink(path.c_str());
    return cache.emplace(std::make_pair(w, h), std::move(img)).first->second;
}

std::vector<uint8_t> encoded(int w, int h, uint32_t id, int quality = 90)
{
    static std::map<std::tuple<int, int, uint32_t, int>, std::vector<uint8_t>> cache;
    auto key = std::make_tuple(w, h, id, quality);
    auto it = cache.find(key);
    if (it != cache.end())
        return it->second;
    CxImage img(picture(w, h));
    img.SetJpegQuality(float(quality));
    CxMemFile mem;
    mem.Open();
    img.Encode(&mem, id);
    std::vector<uint8_t> bytes(mem.GetBuffer(false), mem.GetBuffer(false) + mem.Size());
    return cache.emplace(key, bytes).first->second;
}

// ---- JPEG ----

void BM_JpegDecode_CxImage(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), scale = int(state.range(2));
    std::vector<uint8_t> bytes = encoded(w, h, CXIMAGE_FORMAT_JPG);
    for (auto _ : state) {
        CxMemFile mem(bytes.data(), bytes.size());
        CxImage img;
        img.SetJpegScale(uint8_t(scale));
        if (!img.Decode(&mem, CXIMAGE_FORMAT_JPG))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(img.GetBits());
    }
}

void BM_JpegDecode_Libjpeg(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), scale = int(state.range(2));
    std::vector<uint8_t> bytes = encoded(w, h, CXIMAGE_FORMAT_JPG);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.scale_num = 1;
        cinfo.scale_denom = unsigned(scale);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        // A fresh, uncleared picture buffer per decode, as a decoder that returns a new image has.
        const size_t stride = (size_t(cinfo.output_width) * 3 + 3) & ~size_t(3);
        std::unique_ptr<uint8_t[]> out(new uint8_t[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = out.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(out.get());
    }
}

void BM_JpegEncode_CxImage(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), q = int(state.range(2));
    CxImage img(picture(w, h));
    img.SetJpegQuality(float(q));
    for (auto _ : state) {
        CxMemFile mem;
        mem.Open();
        if (!img.Encode(&mem, CXIMAGE_FORMAT_JPG))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(mem.GetBuffer(false));
    }
}

void BM_JpegEncode_Libjpeg(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1)), q = int(state.range(2));
    const CxImage& img = picture(w, h);
    for (auto _ : state) {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* buf = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buf, &size);
        cinfo.image_width = JDIMENSION(w);
        cinfo.image_height = JDIMENSION(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, q, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = img.GetBits(uint32_t(h) - 1 - cinfo.next_scanline);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(buf);
        free(buf);
    }
}

// ---- PNG ----

void BM_PngDecode_CxImage(benchmark::State& state)
{
    std::vector<uint8_t> bytes = encoded(int(state.range(0)), int(state.range(1)), CXIMAGE_FORMAT_PNG);
    for (auto _ : state) {
        CxMemFile mem(bytes.data(), bytes.size());
        CxImage img;
        if (!img.Decode(&mem, CXIMAGE_FORMAT_PNG))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(img.GetBits());
    }
}

struct MemReader {
    const uint8_t* data;
    size_t pos;
};

void BM_PngDecode_Libpng(benchmark::State& state)
{
    std::vector<uint8_t> bytes = encoded(int(state.range(0)), int(state.range(1)), CXIMAGE_FORMAT_PNG);
    for (auto _ : state) {
        MemReader r { bytes.data(), 0 };
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &r, [](png_structp p, png_bytep d, png_size_t n) {
            auto* rd = static_cast<MemReader*>(png_get_io_ptr(p));
            std::memcpy(d, rd->data + rd->pos, n);
            rd->pos += n;
        });
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
        const size_t stride = png_get_rowbytes(png, info);
        std::unique_ptr<uint8_t[]> out(new uint8_t[stride * h]);
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, out.get() + stride * y, nullptr);
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(out.get());
        (void)w;
    }
}

void BM_PngEncode_CxImage(benchmark::State& state)
{
    CxImage img(picture(int(state.range(0)), int(state.range(1))));
    for (auto _ : state) {
        CxMemFile mem;
        mem.Open();
        if (!img.Encode(&mem, CXIMAGE_FORMAT_PNG))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(mem.GetBuffer(false));
    }
}

void BM_PngEncode_Libpng(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    const CxImage& img = picture(w, h);
    for (auto _ : state) {
        testsupport::PngMemoryWriter writer;
        png_structp png = writer.png;
        png_infop info = writer.info;
        png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
            PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < h; ++y)
            png_write_row(png, img.GetBits(uint32_t(h - 1 - y)));
        png_write_end(png, info);
        benchmark::DoNotOptimize(writer.out.data());
    }
}

// ---- BMP: a plain file read, compared with reading the same file's bytes ----

std::string bmpFile(int w, int h)
{
    static std::map<std::pair<int, int>, std::string> files;
    auto it = files.find({ w, h });
    if (it != files.end())
        return it->second;
    const std::string path = "/tmp/kivra_bench_" + std::to_string(getpid()) + "_" + std::to_string(w) + ".bmp";
    CxImage img(picture(w, h));
    img.Save(path.c_str(), CXIMAGE_FORMAT_BMP);
    return files.emplace(std::make_pair(w, h), path).first->second;
}

void BM_BmpRead_CxImage(benchmark::State& state)
{
    const std::string path = bmpFile(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        CxImage img;
        if (!img.Load(path.c_str(), CXIMAGE_FORMAT_BMP))
            state.SkipWithError(img.GetLastError());
        benchmark::DoNotOptimize(img.GetBits());
    }
}

void BM_BmpRead_Fread(benchmark::State& state)
{
    const std::string path = bmpFile(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        const long n = std::ftell(f);
        std::fseek(f, 0, SEEK_SET);
        auto* buf = static_cast<uint8_t*>(std::malloc(size_t(n)));
        benchmark::DoNotOptimize(std::fread(buf, 1, size_t(n), f));
        std::fclose(f);
        std::free(buf);
    }
}

void BM_BmpWrite_CxImage(benchmark::State& state)
{
    CxImage img(picture(int(state.range(0)), int(state.range(1))));
    const std::string path = "/tmp/kivra_bench_write_" + std::to_string(getpid()) + ".bmp";
    for (auto _ : state) {
        if (!img.Save(path.c_str(), CXIMAGE_FORMAT_BMP))
            state.SkipWithError("save failed");
    }
    unlink(path.c_str());
}

void BM_BmpWrite_Fwrite(benchmark::State& state)
{
    CxImage img(picture(int(state.range(0)), int(state.range(1))));
    const std::string path = "/tmp/kivra_bench_fwrite_" + std::to_string(getpid()) + ".bmp";
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(img.GetDIB(), 1, img.GetSize(), f);
        std::fclose(f);
    }
    unlink(path.c_str());
}

void sizes(benchmark::internal::Benchmark* b)
{
    b->Args({ 640, 480 })->Args({ 4000, 3000 })->Unit(benchmark::kMillisecond);
}

void jpegDecodeArgs(benchmark::internal::Benchmark* b)
{
    b->Args({ 640, 480, 1 })->Args({ 4000, 3000, 1 })->Args({ 4000, 3000, 8 })->Unit(benchmark::kMillisecond);
}

void jpegEncodeArgs(benchmark::internal::Benchmark* b)
{
    for (int q : { 90, 99 })
        b->Args({ 640, 480, q })->Args({ 4000, 3000, q });
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_JpegDecode_CxImage)->Apply(jpegDecodeArgs);
BENCHMARK(BM_JpegDecode_Libjpeg)->Apply(jpegDecodeArgs);
BENCHMARK(BM_JpegEncode_CxImage)->Apply(jpegEncodeArgs);
BENCHMARK(BM_JpegEncode_Libjpeg)->Apply(jpegEncodeArgs);
BENCHMARK(BM_PngDecode_CxImage)->Apply(sizes);
BENCHMARK(BM_PngDecode_Libpng)->Apply(sizes);
BENCHMARK(BM_PngEncode_CxImage)->Apply(sizes);
BENCHMARK(BM_PngEncode_Libpng)->Apply(sizes);
BENCHMARK(BM_BmpRead_CxImage)->Apply(sizes);
BENCHMARK(BM_BmpRead_Fread)->Apply(sizes);
BENCHMARK(BM_BmpWrite_CxImage)->Apply(sizes);
BENCHMARK(BM_BmpWrite_Fwrite)->Apply(sizes);

// An own main: the application library linked into every benchmark carries the program's main.
BENCHMARK_MAIN();
