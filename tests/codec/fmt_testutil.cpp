#include "fmt_testutil.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <png.h>

namespace codexa::legacytest
{

std::vector<std::uint8_t> ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static std::string Lower(std::string s)
{
    std::transform(
        s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::vector<std::string> FilesIn(const std::string &folder, const std::vector<std::string> &suffixes)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file())
            continue;
        std::string name = Lower(entry.path().filename().string());
        bool match = suffixes.empty();
        for (const auto &s : suffixes)
            match = match
                || (name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0);
        if (match)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool ReadPngRgba(const std::string &path, int &width, int &height, std::vector<std::uint8_t> &rgba)
{
    // The classic interface: stored values as they are, no gamma or colour-space conversion.
    std::FILE *fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (png != nullptr && info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, fp);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        width = static_cast<int>(png_get_image_width(png, info));
        height = static_cast<int>(png_get_image_height(png, info));
        rgba.resize(static_cast<std::size_t>(width) * height * 4);
        std::vector<png_bytep> rows(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            rows[static_cast<std::size_t>(y)] = rgba.data() + static_cast<std::size_t>(y) * width * 4;
        png_read_image(png, rows.data());
        ok = true;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(fp);
    return ok;
}

Rgb OverWhiteRgb(int width, int height, const std::vector<std::uint8_t> &rgba)
{
    Rgb out;
    out.width = width;
    out.height = height;
    out.px.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    for (std::size_t i = 0, n = static_cast<std::size_t>(out.width) * out.height; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            out.px[3 * i + c] = OverWhite(rgba[4 * i + c], rgba[4 * i + 3]);
    return out;
}

bool ReadPngOverWhite(const std::string &path, Rgb &out)
{
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
    if (!ReadPngRgba(path, width, height, rgba))
        return false;
    out = OverWhiteRgb(width, height, rgba);
    return true;
}

Rgb Flatten(const PictureView &view)
{
    Rgb out;
    out.width = view.width;
    out.height = view.height;
    out.px.resize(static_cast<std::size_t>(view.width) * view.height * 3);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x) {
            std::uint8_t bgr[3];
            view.PixelBGR(x, y, bgr);
            std::uint8_t *p = out.px.data() + 3 * (static_cast<std::size_t>(y) * view.width + x);
            p[0] = bgr[2];
            p[1] = bgr[1];
            p[2] = bgr[0];
        }
    return out;
}

PictureView ViewOf(const Picture &picture)
{
    PictureView view;
    PictureView::From(&picture.info, picture.bits, view);
    return view;
}

Rgb Flatten(const Picture &picture)
{
    return Flatten(ViewOf(picture));
}

static std::string Where(const Rgb &got, const Rgb &want, int x, int y)
{
    char text[160];
    const std::uint8_t *g = got.At(x, y);
    const std::uint8_t *w = want.At(x, y);
    std::snprintf(text, sizeof text, "pixel (%d, %d): got %d,%d,%d want %d,%d,%d", x, y, g[0], g[1], g[2],
        w[0], w[1], w[2]);
    return text;
}

std::string CompareRgb(const Rgb &got, const Rgb &want, int tolerance)
{
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + " want "
            + std::to_string(want.width) + "x" + std::to_string(want.height);
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(got.At(x, y)[c] - want.At(x, y)[c]) > tolerance)
                    return Where(got, want, x, y);
    return {};
}

std::string ComparePartition(const Rgb &got, const Rgb &want)
{
    if (got.width != want.width || got.height != want.height)
        return "size differs";
    std::map<std::uint32_t, std::uint32_t> forward, backward;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            const std::uint8_t *g = got.At(x, y);
            const std::uint8_t *w = want.At(x, y);
            std::uint32_t a = (g[0] << 16) | (g[1] << 8) | g[2];
            std::uint32_t b = (w[0] << 16) | (w[1] << 8) | w[2];
            auto f = forward.emplace(a, b).first;
            auto r = backward.emplace(b, a).first;
            if (f->second != b || r->second != a)
                return Where(got, want, x, y);
        }
    return {};
}

Status LoadWith(const FormatCodec &codec, const std::string &path, Picture &out)
{
    std::vector<std::uint8_t> data = ReadFileBytes(path);
    return codec.load(AsBytes(data), -1, out);
}

} // namespace codexa::legacytest
