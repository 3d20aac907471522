// JPEG decode through Codexa beside a bare libjpeg-turbo decode into a reused buffer, and the
// thumbnail path. Input: $CODEXA_BENCH_JPEG, else the first JPEG of /tmp/bench-corpus/jpg, else
// a 4000 × 3000 picture encoded here.
#include "codec/dispatch.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <jpeglib.h>
#include <vector>

namespace
{

std::vector<std::uint8_t> Synthetic()
{
    codexa::Picture pic;
    pic.Create(4000, 3000, 24);
    for (int y = 0; y < 3000; ++y) {
        std::uint8_t *row = pic.RowFromTop(y);
        for (int x = 0; x < 4000; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(128 + 90 * std::sin(x / 37.0 + y / 91.0));
            row[3 * x + 1] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            row[3 * x + 2] = static_cast<std::uint8_t>(128 + 120 * std::cos(y / 23.0));
        }
    }
    codexa::PictureView view;
    codexa::PictureView::From(&pic.info, pic.bits, view);
    std::vector<std::uint8_t> out;
    codexa::SaveToMemory(view, "jpg", codexa::SaveOptions { 90 }, out);
    return out;
}

const std::vector<std::uint8_t> &Input()
{
    static const std::vector<std::uint8_t> bytes = [] {
        namespace fs = std::filesystem;
        std::string path;
        if (const char *env = std::getenv("CODEXA_BENCH_JPEG"))
            path = env;
        std::error_code ec;
        if (path.empty() && fs::is_directory("/tmp/bench-corpus/jpg", ec)) {
            std::vector<std::string> names;
            for (auto &e : fs::directory_iterator("/tmp/bench-corpus/jpg", ec))
                if (e.path().extension() == ".jpg")
                    names.push_back(e.path().string());
            std::sort(names.begin(), names.end());
            if (!names.empty())
                path = names.front();
        }
        if (!path.empty()) {
            std::ifstream in(path, std::ios::binary);
            std::vector<std::uint8_t> v(
                (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!v.empty())
                return v;
        }
        return Synthetic();
    }();
    return bytes;
}

struct Bare {
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr err {};
    std::vector<std::uint8_t> buffer;
    Bare()
    {
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
    }
    ~Bare() { jpeg_destroy_decompress(&cinfo); }
    // Decodes at scale num/8 into the reused buffer (BGR rows).
    void Decode(const std::vector<std::uint8_t> &bytes, unsigned num)
    {
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        cinfo.scale_num = num;
        cinfo.scale_denom = 8;
        if (num < 8)
            cinfo.do_fancy_upsampling = FALSE;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = (cinfo.output_width * 3 + 3) & ~std::size_t(3);
        buffer.resize(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[4];
            for (int i = 0; i < 4; ++i)
                rows[i] = buffer.data()
                    + stride * std::min<std::size_t>(cinfo.output_scanline + i, cinfo.output_height - 1);
            jpeg_read_scanlines(&cinfo, rows, 4);
        }
        jpeg_finish_decompress(&cinfo);
    }
};

void BM_JpegDecode_Codexa(benchmark::State &state)
{
    const auto &bytes = Input();
    for (auto _ : state) {
        codexa::Picture pic;
        codexa::LoadFromMemory(codexa::Bytes { bytes.data(), bytes.size() }, ".jpg", -1, pic);
        benchmark::DoNotOptimize(pic.bits);
    }
}
BENCHMARK(BM_JpegDecode_Codexa)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegDecode_BareLibjpeg(benchmark::State &state)
{
    const auto &bytes = Input();
    Bare bare;
    for (auto _ : state) {
        bare.Decode(bytes, 8);
        benchmark::DoNotOptimize(bare.buffer.data());
    }
}
BENCHMARK(BM_JpegDecode_BareLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_JpegEighth_BareLibjpeg(benchmark::State &state)
{
    const auto &bytes = Input();
    Bare bare;
    for (auto _ : state) {
        bare.Decode(bytes, 1);
        benchmark::DoNotOptimize(bare.buffer.data());
    }
}
BENCHMARK(BM_JpegEighth_BareLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Thumbnail100_Codexa(benchmark::State &state)
{
    const auto &bytes = Input();
    for (auto _ : state) {
        codexa::Picture thumb;
        DibInfoBlock source {};
        codexa::ThumbnailFromMemory(
            codexa::Bytes { bytes.data(), bytes.size() }, ".jpg", 100, 100, thumb, source);
        benchmark::DoNotOptimize(thumb.bits);
    }
}
BENCHMARK(BM_Thumbnail100_Codexa)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
