#include "codec_test_util.h"

#include "platform/paths.h"

#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>

namespace codexa::test
{

std::string TestData(const std::string &relative)
{
    return std::string(TARNIS_TESTDATA_DIR) + "/" + relative;
}

std::vector<std::uint8_t> ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> FilesIn(
    const std::string &folder, const std::vector<std::string> &exts, bool recursive)
{
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    auto keep = [&](const fs::directory_entry &e) {
        std::string ext = PathExtension(e.path().string());
        if (e.is_regular_file() && (exts.empty() || std::find(exts.begin(), exts.end(), ext) != exts.end()))
            out.push_back(e.path().string());
    };
    std::error_code ec;
    if (recursive)
        std::for_each(fs::recursive_directory_iterator(folder, ec), fs::recursive_directory_iterator(), keep);
    else
        std::for_each(fs::directory_iterator(folder, ec), fs::directory_iterator(), keep);
    std::sort(out.begin(), out.end());
    return out;
}

std::string FileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

PictureView ViewOf(const Picture &pic)
{
    PictureView v;
    EXPECT_TRUE(PictureView::From(&pic.info, pic.bits, v));
    return v;
}

Picture MakePattern(int width, int height, int bitCount, bool grey)
{
    Picture pic = MakePicture(width, height, bitCount, 0, [&](int x, int y) -> unsigned {
        if (bitCount == 1)
            return (x / 3 + y / 2) & 1;
        if (bitCount <= 8)
            return (x * 7 + y * 13 + (x * y) / 5) & 0xFF;
        unsigned r = static_cast<unsigned>(128 + 100 * std::sin((x + y) / 9.0));
        return (r << 16) | (y * 255 / std::max(1, height - 1)) << 8 | (x * 255 / std::max(1, width - 1));
    });
    for (int i = 0, n = bitCount <= 8 ? 1 << bitCount : 0; i < n; ++i) {
        BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
        pic.info.bmiColors[i] = grey
            ? RGBQUAD { v, v, v, 0 }
            : RGBQUAD { static_cast<BYTE>(i * 37 + 11), static_cast<BYTE>(255 - i * 13),
                  static_cast<BYTE>(i * 91 + 3), 0 };
    }
    return pic;
}

Rgb Flatten(const PictureView &view)
{
    Rgb out { view.width, view.height, {} };
    out.px.resize(static_cast<std::size_t>(view.width) * view.height * 3);
    for (int y = 0; y < view.height; ++y) {
        std::uint8_t *row = out.px.data() + 3 * static_cast<std::size_t>(y) * view.width;
        view.RowBGR(y, row);
        for (int x = 0; x < view.width; ++x)
            std::swap(row[3 * x], row[3 * x + 2]);
    }
    return out;
}

Rgb Flatten(const Picture &picture)
{
    return Flatten(ViewOf(picture));
}

static std::string Where(const Rgb &got, const Rgb &want, int x, int y)
{
    char text[160];
    const std::uint8_t *g = got.At(x, y), *w = want.At(x, y);
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
            const std::uint8_t *g = got.At(x, y), *w = want.At(x, y);
            std::uint32_t a = (g[0] << 16) | (g[1] << 8) | g[2];
            std::uint32_t b = (w[0] << 16) | (w[1] << 8) | w[2];
            if (forward.emplace(a, b).first->second != b || backward.emplace(b, a).first->second != a)
                return Where(got, want, x, y);
        }
    return {};
}

int MaxDifference(const Picture &a, const Picture &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return -1;
    Rgb pa = Flatten(a), pb = Flatten(b);
    int worst = 0;
    for (std::size_t i = 0; i < pa.px.size(); ++i)
        worst = std::max(worst, std::abs(pa.px[i] - pb.px[i]));
    return worst;
}

double MeanDifference(const Picture &a, const Picture &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    Rgb pa = Flatten(a), pb = Flatten(b);
    double sum = 0;
    for (std::size_t i = 0; i < pa.px.size(); ++i)
        sum += std::abs(pa.px[i] - pb.px[i]);
    return pa.px.empty() ? 0 : sum / static_cast<double>(pa.px.size());
}

bool ReadPngRgba(const std::string &path, int &width, int &height, std::vector<std::uint8_t> &rgba)
{
    QImage img(QString::fromStdString(path));
    img.convertTo(QImage::Format_RGBA8888);
    width = img.width(), height = img.height();
    rgba.clear();
    for (int y = 0; y < height; ++y)
        rgba.insert(rgba.end(), img.constScanLine(y), img.constScanLine(y) + 4 * width);
    return !img.isNull();
}

Rgb OverWhiteRgb(int width, int height, const std::vector<std::uint8_t> &rgba)
{
    Rgb out { width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3) };
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i)
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

int Pages(const std::string &path)
{
    auto bytes = ReadAll(path);
    return PageCountFromMemory(AsBytes(bytes), PathExtension(path));
}

Picture Decode(const std::string &path, int page)
{
    Picture pic;
    auto bytes = ReadAll(path);
    Status s = LoadFromMemory(AsBytes(bytes), PathExtension(path), page, pic);
    EXPECT_EQ(s, Status::Ok) << path << ": " << StatusText(s);
    return pic;
}

Status LoadWith(const FormatCodec &codec, const std::string &path, Picture &out)
{
    std::vector<std::uint8_t> data = ReadAll(path);
    return codec.load(AsBytes(data), -1, out);
}

} // namespace codexa::test
