// Inside the codec library: the contract between the dispatcher and one format.
#pragma once

#include "codec/codexa.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"
#include "platform/noncopyable.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <vector>

namespace codexa
{

enum class Status {
    Ok,
    NotThisFormat, // the bytes are not this format at all
    Corrupt, // truncated or inconsistent data
    Unsupported, // a valid variant this library does not handle
    TooLarge, // over the pixel limit or a size product overflows
    NoMemory,
    IoError,
    BadPage, // page index out of range
    ReadOnly, // the target file may not be written
};

const char *StatusText(Status status);

// An input held in memory (files are read whole before decoding).
struct Bytes {
    const std::uint8_t *data = nullptr;
    std::size_t size = 0;
};

// Bounds-checked little- and big-endian reads; out-of-range reads give 0 and set `ok` to false.
class Reader
{
public:
    explicit Reader(Bytes b)
        : m_bytes(b)
    {
    }
    std::size_t pos() const { return m_pos; }
    std::size_t size() const { return m_bytes.size; }
    std::size_t remaining() const { return m_pos < m_bytes.size ? m_bytes.size - m_pos : 0; }
    bool ok() const { return m_ok; }
    bool Seek(std::size_t pos);
    bool Skip(std::size_t n);
    std::uint8_t U8();
    std::uint16_t U16LE();
    std::uint16_t U16BE();
    std::uint32_t U32LE();
    std::uint32_t U32BE();
    // Pointer to the next n bytes and advance, or null (and !ok) when fewer remain.
    const std::uint8_t *Take(std::size_t n);

private:
    Bytes m_bytes;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Largest width × height a decoder accepts: the process's limit (CodexaSetPixelLimit), lowered
// on a thread that makes thumbnails (ThumbnailScope).
long long PixelLimit();
void SetPixelLimit(long long pixels);
// The process's limit alone: for the full size of a picture decoded reduced, whose decoded size
// PixelLimit() bounds.
long long FullPixelLimit();

// Thumbnails are made on several threads at once from files of any size, so a thumbnail decode
// has lower limits than opening a picture, and at most kThumbnailDecodes run at once in the
// process: the memory of a thumbnail pass stays below kThumbnailDecodes × (file limit + 4 bytes ×
// pixel limit), whatever the number of threads.
constexpr long long kThumbnailPixelLimit = 1ll << 26;
constexpr std::size_t kThumbnailFileLimit = std::size_t(256) << 20;
constexpr int kThumbnailDecodes = 4;

// While it exists, this thread decodes under the thumbnail limits, holding one of the decode
// places (waiting for one when all are taken).
class ThumbnailScope : NonCopyable
{
public:
    ThumbnailScope();
    ~ThumbnailScope();
};
// For tests: the thumbnail pixel limit (0 restores the default) and the most thumbnail decodes
// seen at once since the last call.
void SetThumbnailPixelLimit(long long pixels);
int TakeThumbnailDecodePeak();

// A picture being built for the caller: the 1064-byte info block and a global pixel block.
class Picture
{
public:
    Picture() = default;
    Picture(const Picture &) = delete;
    Picture &operator=(const Picture &) = delete;
    Picture(Picture &&other) noexcept;
    Picture &operator=(Picture &&other) noexcept;
    ~Picture();

    // Bottom-up picture of 1, 4, 8 or 24 bits with zeroed pixels; sets biClrUsed to
    // paletteSize for palette depths (0 = the full 2/16/256). Checks the pixel limit and every
    // size product.
    Status Create(int width, int height, int bitCount, int paletteSize = 0);
    // Create for decoders that write every pixel: keeps the current pixel block when it is large
    // enough (its old pixels stay until overwritten), so a loop of decodes reuses one block.
    Status Recreate(int width, int height, int bitCount, int paletteSize = 0);

    int width() const { return info.bmiHeader.biWidth; }
    int height() const { return info.bmiHeader.biHeight; }
    int bitCount() const { return info.bmiHeader.biBitCount; }
    std::size_t stride() const { return m_stride; }
    std::uint8_t *pixels() { return static_cast<std::uint8_t *>(bits); }
    // Row y counted from the top of the picture.
    std::uint8_t *RowFromTop(int y)
    {
        return pixels() + static_cast<std::size_t>(height() - 1 - y) * m_stride;
    }
    void SetResolution(LONG xPelsPerMeter, LONG yPelsPerMeter);

    // Hands the picture to the caller: copies 40 + 4 × palette bytes into info1064, moves the
    // pixel block into *outBits.
    void Release(HGLOBAL *outBits, void *info1064);
    // The reverse: takes ownership of a caller's pair (header and palette copied, the pixel block
    // kept). False, and nothing taken, when the header is not a picture this class can hold.
    bool Adopt(const void *info1064, HGLOBAL pixels);
    void Reset();

    DibInfoBlock info {};
    HGLOBAL bits = nullptr;
    // The file was cut short or broken part-way: the rows decoded before the damage are real,
    // the rest is filled. A decoder returns such a picture with Status::Ok.
    bool damaged = false;

private:
    std::size_t m_stride = 0;
};

// A read-only view of the caller's picture for saving and resampling.
struct PictureView {
    const BITMAPINFOHEADER *header = nullptr;
    const RGBQUAD *palette = nullptr;
    const std::uint8_t *bits = nullptr;
    int width = 0;
    int height = 0; // positive; rows bottom-up
    int bitCount = 0;
    int paletteSize = 0;
    std::size_t stride = 0;

    // Validates a header/bits pair; false for nonsense sizes or depths.
    static bool From(const void *info, const void *bits, PictureView &out);
    const std::uint8_t *RowFromTop(int y) const
    {
        return bits + static_cast<std::size_t>(height - 1 - y) * stride;
    }
    // Index or colour of pixel (x, y-from-top) expanded to B, G, R.
    void PixelBGR(int x, int y, std::uint8_t bgr[3]) const;
    // Row y (from the top) expanded to width × 3 bytes B, G, R.
    void RowBGR(int y, std::uint8_t *bgr) const;
    // Row y (from the top) as palette indices, one byte each (palette depths only).
    void RowIndices(int y, std::uint8_t *indices) const;
    // Every palette entry has red = green = blue.
    bool IsGreyPalette() const;
    // The palette is the ramp 0, 255 / (n − 1), ... 255 of its depth's full size (n = 2, 16, 256).
    bool IsGreyRamp() const;
};

// Alpha over white: c × a / 255 + 255 − a, rounded.
inline std::uint8_t OverWhite(unsigned c, unsigned a)
{
    return static_cast<std::uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

struct SaveOptions {
    int jpegQuality = 90; // 1...100
};

// One picture format. Decoders return normalised pictures: 1-, 4- and 8-bit keep their palette
// (2-bit becomes 4-bit, grey is 8-bit with a grey ramp), everything else 24-bit, alpha over
// white, orientation applied, resolution in the header where the file has one.
struct FormatCodec {
    const char *name; // "bmp"
    const char *const *extensions; // lower-case with dot, null-terminated list
    int probeOrder; // lower is tried first; formats without magic go last
    // Whether the first bytes (up to kProbeBytes) are this format; ext is lower-case with dot.
    bool (*probe)(Bytes head, std::string_view ext);
    // page: -1 = default page, else 0-based.
    Status (*load)(Bytes file, int page, Picture &out);
    // Pages in the file (null: always 1).
    int (*pageCount)(Bytes file);
    // Encodes the picture into out (null: the format cannot be written).
    Status (*save)(const PictureView &picture, const SaveOptions &options, std::vector<std::uint8_t> &out);
    // Optional faster decode of the default page for thumbnails: any picture at least as large as
    // the full picture fitted into the box (FitIntoBox), up to the full picture, orientation
    // applied. sourceInfo (may be null) receives the header and palette the full decode would
    // give. (null: the thumbnail uses load.)
    Status (*loadReduced)(Bytes file, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo);
    // The format number the format test reports: stable across versions and unique; the nine of
    // the Open dialog's list are 0...8 (kClassicFormats), later formats follow.
    int number;
    // What the file dialogs and the batch converter call it ("WebP").
    const char *description;
    // MIME types, null-terminated (the first is the usual one).
    const char *const *mimeTypes;
};

// The functions of one format, for MakeFormat: probe and load always, the others where the format
// has them.
struct FormatFunctions {
    bool (*probe)(Bytes head, std::string_view ext);
    Status (*load)(Bytes file, int page, Picture &out);
    int (*pageCount)(Bytes file) = nullptr;
    Status (*save)(const PictureView &picture, const SaveOptions &options, std::vector<std::uint8_t> &out)
        = nullptr;
    Status (*loadReduced)(Bytes file, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
        = nullptr;
};

// One format's entry, stating only what is its own; formats with magic bytes keep probe order 10.
constexpr FormatCodec MakeFormat(const char *name, int number, const char *description,
    const char *const *extensions, const char *const *mimeTypes, FormatFunctions functions,
    int probeOrder = 10)
{
    return FormatCodec { name, extensions, probeOrder, functions.probe, functions.load, functions.pageCount,
        functions.save, functions.loadReduced, number, description, mimeTypes };
}

// A decoder of the form Decode(file, page, boxWidth, boxHeight, out, sourceInfo) as a format's
// load (no box) and loadReduced (the default page in a box of at least 1 × 1).
using BoxDecoder
    = Status (*)(Bytes file, int page, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo);
template <BoxDecoder Decode> Status LoadUnboxed(Bytes file, int page, Picture &out)
{
    return Decode(file, page, 0, 0, out, nullptr);
}
template <BoxDecoder Decode>
Status LoadInBox(Bytes file, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
{
    return Decode(file, -1, boxWidth > 0 ? boxWidth : 1, boxHeight > 0 ? boxHeight : 1, out, sourceInfo);
}

// The start of a single-page decoder: BadPage unless page is -1 or 0, then parse's status when it
// fails, then TooLarge when the header's width × height is over PixelLimit().
template <class Header>
Status ParseSinglePage(Bytes file, int page, Status (*parse)(Bytes, Header &), Header &header)
{
    if (page < -1 || page > 0)
        return Status::BadPage;
    const Status st = parse(file, header);
    if (st != Status::Ok)
        return st;
    return static_cast<long long>(header.width) * header.height > PixelLimit() ? Status::TooLarge
                                                                               : Status::Ok;
}

// v.resize(n) that gives false instead of throwing when memory runs out, for code a C library
// calls back (an exception must not cross it).
template <class T> bool TryResize(std::vector<T> &v, std::size_t n) noexcept
{
    try {
        v.resize(n);
        return true;
    } catch (...) {
        return false;
    }
}

// An encoder's body: out is emptied, then filled by write; a failed allocation empties it again
// and gives NoMemory.
template <class Write> Status EncodeInto(std::vector<std::uint8_t> &out, Write &&write)
{
    out.clear();
    try {
        write();
    } catch (const std::bad_alloc &) {
        out.clear();
        return Status::NoMemory;
    }
    return Status::Ok;
}

// Formats numbered below this are the nine of the Open dialog's fixed filter list.
constexpr int kClassicFormats = CODEXA_CLASSIC_FORMATS;

constexpr std::size_t kProbeBytes = 4096;

// Every compiled-in format, in probe order.
const std::vector<const FormatCodec *> &AllFormats();
// The same by format number.
const std::vector<const FormatCodec *> &FormatsByNumber();

} // namespace codexa
