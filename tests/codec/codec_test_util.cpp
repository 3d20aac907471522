#include "codec_test_util.h"

#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

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
    const std::string &folder, bool recursive, const std::vector<std::string> &exts)
{
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    std::error_code ec;
    auto keep = [&](const fs::directory_entry &e) {
        if (!e.is_regular_file())
            return;
        std::string ext = PathExtension(e.path().string());
        if (exts.empty() || std::find(exts.begin(), exts.end(), ext) != exts.end())
            out.push_back(e.path().string());
    };
    if (recursive) {
        for (auto &e : fs::recursive_directory_iterator(folder, ec))
            keep(e);
    } else {
        for (auto &e : fs::directory_iterator(folder, ec))
            keep(e);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string FileName(const std::string &path)
{
    return std::filesystem::path(path).filename().string();
}

Bytes AsBytes(const std::vector<std::uint8_t> &v)
{
    return Bytes { v.data(), v.size() };
}

PictureView ViewOf(const Picture &pic)
{
    PictureView v;
    EXPECT_TRUE(PictureView::From(&pic.info, pic.bits, v));
    return v;
}

Picture MakePattern(int width, int height, int bitCount, bool grey)
{
    Picture pic;
    EXPECT_EQ(pic.Create(width, height, bitCount), Status::Ok);
    if (bitCount <= 8) {
        int n = 1 << bitCount;
        for (int i = 0; i < n; ++i) {
            if (grey) {
                BYTE v = static_cast<BYTE>(i * 255 / (n - 1));
                pic.info.bmiColors[i] = RGBQUAD { v, v, v, 0 };
            } else {
                pic.info.bmiColors[i] = RGBQUAD { static_cast<BYTE>(i * 37 + 11),
                    static_cast<BYTE>(255 - i * 13), static_cast<BYTE>(i * 91 + 3), 0 };
            }
        }
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = pic.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            int v = (x * 7 + y * 13 + (x * y) / 5) & 0xFF;
            switch (bitCount) {
            case 1:
                if ((x / 3 + y / 2) & 1)
                    row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
                break;
            case 4:
                row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | ((x & 1) ? (v & 15) : ((v & 15) << 4)));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(v);
                break;
            default: // smooth enough for lossy codecs
                row[3 * x] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
                row[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
                row[3 * x + 2] = static_cast<std::uint8_t>(128 + 100 * std::sin((x + y) / 9.0));
                break;
            }
        }
    }
    return pic;
}

std::vector<std::uint8_t> PixelsBGR(const Picture &pic)
{
    PictureView v = ViewOf(pic);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(v.width) * v.height * 3);
    for (int y = 0; y < v.height; ++y)
        v.RowBGR(y, out.data() + static_cast<std::size_t>(y) * v.width * 3);
    return out;
}

int MaxDifference(const Picture &a, const Picture &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return -1;
    auto pa = PixelsBGR(a), pb = PixelsBGR(b);
    int worst = 0;
    for (std::size_t i = 0; i < pa.size(); ++i)
        worst = std::max(worst, std::abs(pa[i] - pb[i]));
    return worst;
}

double MeanDifference(const Picture &a, const Picture &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1e9;
    auto pa = PixelsBGR(a), pb = PixelsBGR(b);
    double sum = 0;
    for (std::size_t i = 0; i < pa.size(); ++i)
        sum += std::abs(pa[i] - pb[i]);
    return pa.empty() ? 0 : sum / static_cast<double>(pa.size());
}

Picture Decode(const std::string &path, int page)
{
    Picture pic;
    auto bytes = ReadAll(path);
    Status s = LoadFromMemory(AsBytes(bytes), PathExtension(path), page, pic);
    EXPECT_EQ(s, Status::Ok) << path << ": " << StatusText(s);
    return pic;
}

} // namespace codexa::test
