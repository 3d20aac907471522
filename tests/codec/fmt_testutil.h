// Helpers for the format tests: files, reference PNGs, pictures flattened to RGB.
#pragma once

#include "codec/format.h"
#include "codec_test_util.h"

#include <cstdint>
#include <string>
#include <vector>

namespace codexa::legacytest
{

using codexa::test::TestData;
std::vector<std::uint8_t> ReadFileBytes(const std::string &path);
// Regular files of a folder (not recursive), sorted, whose names end with one of the suffixes
// (case-insensitive; empty list = all).
std::vector<std::string> FilesIn(const std::string &folder, const std::vector<std::string> &suffixes = {});
using codexa::test::FileName;

inline Bytes AsBytes(const std::vector<std::uint8_t> &v)
{
    return Bytes { v.data(), v.size() };
}

// Top-down RGB pixels.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> px; // 3 bytes a pixel
    const std::uint8_t *At(int x, int y) const
    {
        return px.data() + 3 * (static_cast<std::size_t>(y) * width + x);
    }
};

// A PNG read with libpng as stored (no gamma handling) into 8-bit RGBA.
bool ReadPngRgba(const std::string &path, int &width, int &height, std::vector<std::uint8_t> &rgba);
// The same with alpha composited over white the way the decoders do it.
bool ReadPngOverWhite(const std::string &path, Rgb &out);
Rgb OverWhiteRgb(int width, int height, const std::vector<std::uint8_t> &rgba);
// The picture's pixels through its palette.
Rgb Flatten(const Picture &picture);
Rgb Flatten(const PictureView &view);

// Empty when equal within `tolerance` per channel, else a description of the first difference.
std::string CompareRgb(const Rgb &got, const Rgb &want, int tolerance = 0);
// Empty when both pictures split their pixels into the same groups of equal colour (palettes
// may differ), else a description of the first mismatch.
std::string ComparePartition(const Rgb &got, const Rgb &want);

PictureView ViewOf(const Picture &picture);

// Loads `path` with the codec; Ok or the failure.
Status LoadWith(const FormatCodec &codec, const std::string &path, Picture &out);

// A picture filled by fill(x, y) -> index (palette depths) or packed 0xRRGGBB (24-bit).
template <typename F> Picture MakePicture(int width, int height, int bitCount, int paletteSize, F fill)
{
    Picture pic;
    if (pic.Create(width, height, bitCount, paletteSize) != Status::Ok)
        return pic;
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = pic.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            unsigned v = static_cast<unsigned>(fill(x, y));
            switch (bitCount) {
            case 1:
                row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | ((v & 1) << (7 - (x & 7))));
                break;
            case 4:
                row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | ((x & 1) ? (v & 15) : ((v & 15) << 4)));
                break;
            case 8:
                row[x] = static_cast<std::uint8_t>(v);
                break;
            default:
                row[3 * x] = static_cast<std::uint8_t>(v & 0xFF);
                row[3 * x + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
                row[3 * x + 2] = static_cast<std::uint8_t>((v >> 16) & 0xFF);
                break;
            }
        }
    }
    return pic;
}

} // namespace codexa::legacytest
