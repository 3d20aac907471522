// Saves that keep what the old file holds: the EXIF block, ICC profile and comments of a JPEG, the
// other pages of a TIFF, and quarter turns and mirrors of a JPEG done on its compressed data.
#include "codec/keepsave.h"

#include "codec/codexa.h"
#include "codec/dispatch.h"
#include "codec/exif.h"
#include "codec/fileio.h"
#include "codec/tiffpages.h"
#include "platform/paths.h"

#include <cstring>
#include <turbojpeg.h>

namespace codexa
{

namespace
{

Bytes AsBytes(const std::vector<std::uint8_t> &v)
{
    return Bytes { v.data(), v.size() };
}

bool IsJpeg(Bytes b)
{
    return b.size >= 4 && b.data[0] == 0xFF && b.data[1] == 0xD8 && b.data[2] == 0xFF;
}

bool StartsWith(const std::uint8_t *p, std::size_t n, const char *prefix, std::size_t k)
{
    return n >= k && std::memcmp(p, prefix, k) == 0;
}

// Segment walk from after SOI up to SOS; calls f(marker, start of the segment, whole length).
template <typename F> bool WalkSegments(Bytes b, F f)
{
    std::size_t at = 2;
    while (at + 4 <= b.size) {
        if (b.data[at] != 0xFF)
            return false;
        const std::uint8_t marker = b.data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return true;
        const std::size_t length = (std::size_t(b.data[at + 2]) << 8 | b.data[at + 3]) + 2;
        if (length < 4 || at + length > b.size)
            return false;
        f(marker, at, length);
        at += length;
    }
    return false;
}

} // namespace

std::vector<std::uint8_t> KeptJpegSegments(Bytes source)
{
    std::vector<std::uint8_t> kept;
    if (!IsJpeg(source))
        return kept;
    WalkSegments(source, [&](std::uint8_t marker, std::size_t at, std::size_t length) {
        const std::uint8_t *body = source.data + at + 4;
        const std::size_t n = length - 4;
        const bool exif = marker == 0xE1 && StartsWith(body, n, "Exif\0\0", 6);
        const bool icc = marker == 0xE2 && StartsWith(body, n, "ICC_PROFILE\0", 12);
        if (!exif && !icc && marker != 0xFE)
            return;
        const std::size_t start = kept.size();
        kept.insert(kept.end(), source.data + at, source.data + at + length);
        if (exif)
            SetExifOrientation(kept.data() + start + 4, n, 1);
    });
    return kept;
}

bool SetExifOrientation(std::uint8_t *body, std::size_t size, int orientation)
{
    if (size < 14 || std::memcmp(body, "Exif\0\0", 6) != 0)
        return false;
    std::uint8_t *tiff = body + 6;
    const std::size_t n = size - 6;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return false;
    auto get16 = [&](std::size_t at) {
        return little ? std::uint32_t(tiff[at] | tiff[at + 1] << 8)
                      : std::uint32_t(tiff[at] << 8 | tiff[at + 1]);
    };
    auto get32 = [&](std::size_t at) {
        return little ? (get16(at) | get16(at + 2) << 16) : (get16(at) << 16 | get16(at + 2));
    };
    const std::size_t ifd = get32(4);
    if (ifd + 2 > n)
        return false;
    const std::size_t count = get16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > n)
            return false;
        if (get16(entry) != 0x0112 || get16(entry + 2) != 3)
            continue;
        const auto v = static_cast<std::uint16_t>(orientation);
        tiff[entry + 8] = static_cast<std::uint8_t>(little ? v & 0xFF : v >> 8);
        tiff[entry + 9] = static_cast<std::uint8_t>(little ? v >> 8 : v & 0xFF);
        return true;
    }
    return false;
}

std::vector<std::uint8_t> WithSegments(Bytes jpeg, const std::vector<std::uint8_t> &segments)
{
    std::vector<std::uint8_t> out;
    if (!IsJpeg(jpeg))
        return out;
    // After SOI and a leading JFIF segment, where readers look for the EXIF block.
    std::size_t at = 2;
    if (jpeg.size >= 6 && jpeg.data[2] == 0xFF && jpeg.data[3] == 0xE0) {
        const std::size_t length = (std::size_t(jpeg.data[4]) << 8 | jpeg.data[5]) + 2;
        if (2 + length <= jpeg.size)
            at += length;
    }
    // Segments of the same kinds the encoder wrote itself would be doubled: the new file has none.
    out.reserve(jpeg.size + segments.size());
    out.insert(out.end(), jpeg.data, jpeg.data + at);
    out.insert(out.end(), segments.begin(), segments.end());
    out.insert(out.end(), jpeg.data + at, jpeg.data + jpeg.size);
    return out;
}

int ComposeTurns(const int *steps, int count)
{
    // 2 × 2 matrices on (x, y) with y down; the product of the steps in order.
    int m[4] = { 1, 0, 0, 1 };
    for (int i = 0; i < count; ++i) {
        int s[4];
        switch (steps[i]) {
        case 0: // clockwise: (x, y) -> (-y, x)
            s[0] = 0, s[1] = -1, s[2] = 1, s[3] = 0;
            break;
        case 1: // anticlockwise: (x, y) -> (y, -x)
            s[0] = 0, s[1] = 1, s[2] = -1, s[3] = 0;
            break;
        case 2: // mirror: (x, y) -> (-x, y)
            s[0] = -1, s[1] = 0, s[2] = 0, s[3] = 1;
            break;
        case 3: // flip: (x, y) -> (x, -y)
            s[0] = 1, s[1] = 0, s[2] = 0, s[3] = -1;
            break;
        default:
            return -1;
        }
        const int r[4] = { s[0] * m[0] + s[1] * m[2], s[0] * m[1] + s[1] * m[3], s[2] * m[0] + s[3] * m[2],
            s[2] * m[1] + s[3] * m[3] };
        std::memcpy(m, r, sizeof m);
    }
    const struct {
        int m[4];
        int op;
    } table[] = {
        { { 1, 0, 0, 1 }, TJXOP_NONE },
        { { -1, 0, 0, 1 }, TJXOP_HFLIP },
        { { 1, 0, 0, -1 }, TJXOP_VFLIP },
        { { -1, 0, 0, -1 }, TJXOP_ROT180 },
        { { 0, -1, 1, 0 }, TJXOP_ROT90 },
        { { 0, 1, -1, 0 }, TJXOP_ROT270 },
        { { 0, 1, 1, 0 }, TJXOP_TRANSPOSE },
        { { 0, -1, -1, 0 }, TJXOP_TRANSVERSE },
    };
    for (const auto &entry : table)
        if (std::memcmp(entry.m, m, sizeof m) == 0)
            return entry.op;
    return -1;
}

Status TransformJpeg(Bytes source, int op, std::vector<std::uint8_t> &out)
{
    out.clear();
    if (!IsJpeg(source))
        return Status::NotThisFormat;
    // Turned pictures are shown with their EXIF orientation applied; their turns are not the
    // file's.
    int orientation = 0;
    WalkSegments(source, [&](std::uint8_t marker, std::size_t at, std::size_t length) {
        if (marker == 0xE1 && orientation == 0)
            orientation = ExifOrientation(source.data + at + 4, length - 4);
    });
    if (orientation > 1)
        return Status::Unsupported;
    if (op == TJXOP_NONE) {
        out.assign(source.data, source.data + source.size);
        return Status::Ok;
    }
    tjhandle handle = tjInitTransform();
    if (handle == nullptr)
        return Status::NoMemory;
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(handle, source.data, static_cast<unsigned long>(source.size), &width, &height,
            &subsampling, &colourspace)
            != 0
        || width <= 0 || height <= 0) {
        tjDestroy(handle);
        return Status::Corrupt;
    }
    if (static_cast<long long>(width) * height > PixelLimit()) {
        tjDestroy(handle);
        return Status::TooLarge;
    }
    tjtransform transform {};
    transform.op = op;
    // Partial blocks at the edges would be lost or smeared: such a picture is decoded instead.
    transform.options = TJXOPT_PERFECT;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const int rc = tjTransform(
        handle, source.data, static_cast<unsigned long>(source.size), 1, &buffer, &size, &transform, 0);
    Status status = Status::Unsupported;
    if (rc == 0 && buffer != nullptr) {
        try {
            out.assign(buffer, buffer + size);
            status = Status::Ok;
        } catch (...) {
            status = Status::NoMemory;
        }
    }
    tjFree(buffer);
    tjDestroy(handle);
    return status;
}

bool HasTransparency(Bytes b)
{
    static const std::uint8_t kPng[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    if (b.size >= 33 && std::memcmp(b.data, kPng, 8) == 0) {
        const std::uint8_t colourType = b.data[25];
        if (colourType == 4 || colourType == 6)
            return true;
        for (std::size_t at = 8; at + 8 <= b.size;) {
            const std::size_t length = std::size_t(b.data[at]) << 24 | std::size_t(b.data[at + 1]) << 16
                | std::size_t(b.data[at + 2]) << 8 | b.data[at + 3];
            if (std::memcmp(b.data + at + 4, "tRNS", 4) == 0)
                return true;
            if (std::memcmp(b.data + at + 4, "IDAT", 4) == 0 || length > b.size)
                return false;
            at += length + 12;
        }
        return false;
    }
    if (b.size >= 13 && std::memcmp(b.data, "GIF8", 4) == 0) {
        // A graphic control extension with its transparency flag.
        for (std::size_t at = 13; at + 4 <= b.size; ++at)
            if (b.data[at] == 0x21 && b.data[at + 1] == 0xF9 && b.data[at + 2] == 0x04
                && (b.data[at + 3] & 1))
                return true;
        return false;
    }
    if (TiffHasAlpha(b))
        return true;
    // TGA has no signature: a header whose image type is one of the true-colour kinds, 32 bits
    // per pixel and alpha bits in the descriptor.
    if (b.size >= 18 && (b.data[2] == 2 || b.data[2] == 10) && b.data[16] == 32 && (b.data[17] & 0x0F) != 0)
        return true;
    return false;
}

} // namespace codexa

using namespace codexa;

CODEXA_API int CodexaHasTransparency(const char *path)
{
    if (path == nullptr)
        return 0;
    try {
        FileBuffer file;
        return file.Read(path) == Status::Ok && HasTransparency(file.bytes()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaCanWrite(const char *format)
{
    if (format == nullptr)
        return 0;
    const FormatCodec *codec = FormatByExtension(format);
    return codec != nullptr && codec->save != nullptr ? 1 : 0;
}

CODEXA_API int CodexaSaveKeeping(const char *path, const void *info, const void *bits, const char *source)
{
    if (path == nullptr || source == nullptr)
        return 0;
    try {
        PictureView view;
        if (!PictureView::From(info, bits, view))
            return 0;
        const std::string ext = PathExtension(path);
        std::vector<std::uint8_t> bytes;
        SaveOptions options;
        options.jpegQuality = 100;
        if (SaveToMemory(view, ext, options, bytes) != Status::Ok)
            return 0;
        FileBuffer old;
        if (IsJpeg(AsBytes(bytes)) && old.Read(source) == Status::Ok) {
            const std::vector<std::uint8_t> kept = KeptJpegSegments(old.bytes());
            if (!kept.empty())
                bytes = WithSegments(AsBytes(bytes), kept);
        }
        return WriteFileAtomically(path, AsBytes(bytes)) == Status::Ok ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaJpegTransform(const char *source, const char *path, const int *steps, int count)
{
    if (source == nullptr || path == nullptr || count < 0 || (count > 0 && steps == nullptr))
        return 0;
    try {
        const int op = ComposeTurns(steps, count);
        FileBuffer old;
        if (op < 0 || old.Read(source) != Status::Ok)
            return 0;
        std::vector<std::uint8_t> bytes;
        if (TransformJpeg(old.bytes(), op, bytes) != Status::Ok)
            return 0;
        return WriteFileAtomically(path, AsBytes(bytes)) == Status::Ok ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaSaveTiffPages(
    const char *path, int count, const void *const *infos, const void *const *bits)
{
    if (path == nullptr || count < 1 || infos == nullptr || bits == nullptr)
        return 0;
    try {
        std::vector<PictureView> pages(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            if (!PictureView::From(infos[i], bits[i], pages[std::size_t(i)]))
                return 0;
        std::vector<std::uint8_t> bytes;
        if (SaveTiffPages(pages, bytes) != Status::Ok)
            return 0;
        return WriteFileAtomically(path, AsBytes(bytes)) == Status::Ok ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
