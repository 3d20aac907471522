// MacPaint: a 512-byte header, then 720 PackBits-packed rows of 576 one-bit pixels (1 = black),
// with or without the 128-byte MacBinary header in front. Writes the data fork: version 0
// header, every other picture thresholded by its grey value and placed top-left on white.
//
// Decisions:
// - The MacBinary header is recognised by its PNTG file type; without it the data starts at 512,
//   or at 640 when that is the offset whose rows unpack to exactly 72 bytes each (files with 128
//   zero bytes in front).
// - Runs that cross rows (some writers pack the bitmap as one stream) are read as one stream.
// - A file that ends before the 720th row is damage; bytes after it are ignored.
// - The format has no density field; pictures are 72 dpi.
#include "codec/format.h"
#include "codec/pixelpack.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace codexa
{

namespace
{

constexpr int kWidth = 576;
constexpr int kHeight = 720;
constexpr std::size_t kRowBytes = 72;
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kMacBinaryBytes = 128;
constexpr LONG k72Dpi = 2835; // pixels per metre

bool HasMacBinaryHeader(Bytes b)
{
    return b.size >= kMacBinaryBytes && b.data[0] == 0 && b.data[1] >= 1 && b.data[1] <= 63
        && std::memcmp(b.data + 65, "PNTG", 4) == 0 && b.data[74] == 0 && b.data[82] == 0;
}

bool KnownVersion(const std::uint8_t *p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 0 && (p[3] == 0 || p[3] == 2 || p[3] == 3);
}

// Unpacks the rows from `offset`: strict wants every row to end exactly at its 72nd byte.
bool Unpack(Bytes file, std::size_t offset, bool strict, std::uint8_t *bitmap)
{
    if (offset >= file.size)
        return false;
    Reader r(Bytes { file.data + offset, file.size - offset });
    if (!strict)
        return PackBitsDecode(r, bitmap, kRowBytes * kHeight) == UnpackResult::Ok;
    for (int y = 0; y < kHeight; ++y)
        if (PackBitsDecode(r, bitmap + kRowBytes * std::size_t(y), kRowBytes) != UnpackResult::Ok)
            return false;
    return true;
}

Status LoadMac(Bytes file, int page, Picture &out)
{
    if (page < -1 || page > 0)
        return Status::BadPage;
    bool macBinary = HasMacBinaryHeader(file);
    if (!macBinary && (file.size < kHeaderBytes || !KnownVersion(file.data)))
        return Status::NotThisFormat;
    if (static_cast<long long>(kWidth) * kHeight > PixelLimit())
        return Status::TooLarge;
    std::unique_ptr<std::uint8_t[]> bitmap(new (std::nothrow) std::uint8_t[kRowBytes * kHeight]);
    if (!bitmap)
        return Status::NoMemory;

    const std::size_t withHeader = kMacBinaryBytes + kHeaderBytes;
    bool leadingZeros = file.size >= kMacBinaryBytes
        && std::all_of(file.data, file.data + kMacBinaryBytes, [](std::uint8_t v) { return v == 0; });
    std::size_t preferred = (macBinary || leadingZeros) ? withHeader : kHeaderBytes;
    std::size_t other = preferred == kHeaderBytes ? withHeader : kHeaderBytes;
    bool ok = Unpack(file, preferred, true, bitmap.get());
    if (!ok && !macBinary)
        ok = Unpack(file, other, true, bitmap.get());
    if (!ok)
        ok = Unpack(file, preferred, false, bitmap.get());
    if (!ok)
        return Status::Corrupt;

    Picture pic;
    Status st = pic.Create(kWidth, kHeight, 1);
    if (st != Status::Ok)
        return st;
    pic.info.bmiColors[0] = RGBQUAD { 255, 255, 255, 0 };
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(pic.RowFromTop(y), bitmap.get() + kRowBytes * std::size_t(y), kRowBytes);
    pic.SetResolution(k72Dpi, k72Dpi);
    out = std::move(pic);
    return Status::Ok;
}

bool ProbeMac(Bytes head, std::string_view ext)
{
    if (HasMacBinaryHeader(head))
        return true;
    if (ext != ".mac" && ext != ".pntg" && ext != ".pnt")
        return false;
    if (head.size >= kHeaderBytes && KnownVersion(head.data))
        return true;
    return false;
}

Status SaveMac(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    return EncodeInto(out, [&] {
        out.reserve(kHeaderBytes + kRowBytes * kHeight);
        out.resize(kHeaderBytes, 0); // version 0: the default patterns
        std::vector<std::uint8_t> bgr(std::size_t(view.width) * 3);
        std::uint8_t row[kRowBytes];
        int width = std::min(view.width, kWidth);
        for (int y = 0; y < kHeight; ++y) {
            std::memset(row, 0, sizeof row);
            if (y < view.height) {
                ViewRowBGR(view, y, bgr.data());
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t *p = bgr.data() + 3 * std::size_t(x);
                    if (GreyValue(p[2], p[1], p[0]) < 128)
                        row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
                }
            }
            PackBitsEncode(row, kRowBytes, out);
        }
    });
}

const char *const kMacExtensions[] = { ".mac", ".pntg", ".pnt", nullptr };
const char *const kMimeTypes[] = { "image/x-macpaint", nullptr };

} // namespace

extern const FormatCodec kFormat_mac = MakeFormat(
    "mac", 7, "mac", kMacExtensions, kMimeTypes, { .probe = ProbeMac, .load = LoadMac, .save = SaveMac }, 90);

} // namespace codexa
