// Helpers shared by the codec tests: test-data files, synthetic pictures, pixel comparison.
#pragma once

#include "codec/dispatch.h"
#include "codec/format.h"

#include <cstdint>
#include <string>
#include <vector>

namespace codexa::test
{

std::string TestData(const std::string &relative);
std::vector<std::uint8_t> ReadAll(const std::string &path);
// Regular files below folder (recursively when asked), sorted; only the given extensions
// (lower-case with dot, any case in the name) when the list is not empty.
std::vector<std::string> FilesIn(
    const std::string &folder, const std::vector<std::string> &exts = {}, bool recursive = false);
std::string FileName(const std::string &path);

inline Bytes AsBytes(const std::vector<std::uint8_t> &v)
{
    return Bytes { v.data(), v.size() };
}
PictureView ViewOf(const Picture &pic);

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
            if (bitCount == 1)
                row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | ((v & 1) << (7 - (x & 7))));
            else if (bitCount == 4)
                row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | ((x & 1) ? (v & 15) : ((v & 15) << 4)));
            else if (bitCount == 8)
                row[x] = static_cast<std::uint8_t>(v);
            else
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = static_cast<std::uint8_t>(v >> (8 * c));
        }
    }
    return pic;
}

// A picture of the given depth with a varied pattern; palette depths get a colourful palette
// (or a grey ramp when grey is true); 24-bit is smooth enough for lossy codecs.
Picture MakePattern(int width, int height, int bitCount, bool grey = false);

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
// The picture's pixels through its palette.
Rgb Flatten(const PictureView &view);
Rgb Flatten(const Picture &picture);
// Empty when equal within `tolerance` per channel, else a description of the first difference.
std::string CompareRgb(const Rgb &got, const Rgb &want, int tolerance = 0);
// Empty when both pictures split their pixels into the same groups of equal colour (palettes
// may differ), else a description of the first mismatch.
std::string ComparePartition(const Rgb &got, const Rgb &want);
// Largest per-channel difference of two pictures of the same size (-1 when sizes differ).
int MaxDifference(const Picture &a, const Picture &b);
double MeanDifference(const Picture &a, const Picture &b);

// A PNG read by Qt as stored (no gamma handling) into 8-bit RGBA.
bool ReadPngRgba(const std::string &path, int &width, int &height, std::vector<std::uint8_t> &rgba);
Rgb OverWhiteRgb(int width, int height, const std::vector<std::uint8_t> &rgba);
// ReadPngRgba with alpha composited over white the way the decoders do it.
bool ReadPngOverWhite(const std::string &path, Rgb &out);

// Pages in a file as the dispatcher counts them.
int Pages(const std::string &path);
// Decodes a file through the dispatcher (page -1); fails the test on error.
Picture Decode(const std::string &path, int page = -1);
// Loads `path` with one codec; Ok or the failure.
Status LoadWith(const FormatCodec &codec, const std::string &path, Picture &out);

} // namespace codexa::test
