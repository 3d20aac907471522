// GIF over giflib. Every frame is a page; page n is the canvas a viewer shows at frame n: frames
// drawn in order with their transparency, each disposed of (left, cleared to transparent,
// restored to the previous canvas) before the next. Transparent canvas shows white. When every
// frame drawn uses the same colour table the page keeps a palette (1, 4 or 8 bits, transparent
// areas on a white entry); otherwise it is 24-bit. Writing: one frame; palette pictures keep
// their colours, others are reduced to 256 colours.
#include "codec/format.h"
#include "codec/quantize.h"

#include <cstring>
#include <gif_lib.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".gif", nullptr };
const char *const kMimeTypes[] = { "image/gif", nullptr };

struct MemoryInput {
    Bytes file;
    std::size_t pos = 0;
};

int ReadFn(GifFileType *gif, GifByteType *buf, int n)
{
    auto *in = static_cast<MemoryInput *>(gif->UserData);
    if (n <= 0)
        return 0;
    std::size_t left = in->file.size - in->pos;
    std::size_t take = static_cast<std::size_t>(n) < left ? static_cast<std::size_t>(n) : left;
    std::memcpy(buf, in->file.data + in->pos, take);
    in->pos += take;
    return static_cast<int>(take);
}

struct GifCloser {
    GifFileType *gif;
    ~GifCloser()
    {
        if (gif != nullptr) {
            int err = 0;
            DGifCloseFile(gif, &err);
        }
    }
};

constexpr std::uint32_t kTransparent = 0; // canvas pixels are 0xFFRRGGBB when opaque

struct Graphics {
    int disposal = 0;
    int transparent = -1;
};

bool SkipImageData(GifFileType *gif)
{
    int codeSize = 0;
    GifByteType *block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block != nullptr)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

bool SameMap(const ColorMapObject *a, const ColorMapObject *b)
{
    if (a == b)
        return true;
    if (a == nullptr || b == nullptr || a->ColorCount != b->ColorCount)
        return false;
    return std::memcmp(a->Colors, b->Colors, sizeof(GifColorType) * static_cast<std::size_t>(a->ColorCount))
        == 0;
}

// Walks the frames. With target >= 0 it renders frames 0...target into canvas and stops there.
// Returns the number of complete frames seen; *complete is false when the stream broke off.
struct Walk {
    Bytes file;
    int target = -1;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> canvas;
    std::vector<std::uint32_t> saved;
    std::vector<std::uint8_t> line;
    ColorMapObject firstMap {};
    std::vector<GifColorType> firstColors;
    bool firstMapKnown = false;
    bool oneMap = true;
    Status status = Status::Ok;
    int frames = 0;
    int linesDone = 0; // lines of the frame being rendered
    bool damaged = false; // the target frame broke off after some lines
};

void RememberMap(Walk &w, const ColorMapObject *map)
{
    if (!w.firstMapKnown) {
        w.firstMapKnown = true;
        if (map != nullptr) {
            w.firstColors.assign(map->Colors, map->Colors + map->ColorCount);
            w.firstMap.ColorCount = map->ColorCount;
            w.firstMap.BitsPerPixel = map->BitsPerPixel;
            w.firstMap.Colors = w.firstColors.data();
        }
        return;
    }
    const ColorMapObject *first = w.firstColors.empty() ? nullptr : &w.firstMap;
    if (!SameMap(first, map))
        w.oneMap = false;
}

// Past the data sub-blocks starting at pos; false when the file ends first.
bool SkipSubBlocks(Bytes file, std::size_t &pos)
{
    while (pos < file.size) {
        const std::size_t n = file.data[pos++];
        if (n == 0)
            return true;
        if (n > file.size - pos)
            return false;
        pos += n;
    }
    return false;
}

// Frames whose LZW minimum code size is 9...11 (beyond the 8 GIF allows, so giflib refuses
// them; some writers use it): decoded here into width × height indices in file row order.
bool DecodeWideLzw(
    Bytes file, std::size_t &pos, int minSize, std::size_t count, std::vector<std::uint8_t> &out)
{
    std::vector<std::uint8_t> data;
    while (pos < file.size) {
        const std::size_t n = file.data[pos++];
        if (n == 0)
            break;
        if (n > file.size - pos)
            return false;
        data.insert(data.end(), file.data + pos, file.data + pos + n);
        pos += n;
    }
    const int clear = 1 << minSize, stop = clear + 1;
    std::vector<std::uint16_t> prefix(4096);
    std::vector<std::uint8_t> suffix(4096), first(4096), stack(4097);
    for (int i = 0; i < clear; ++i)
        suffix[static_cast<std::size_t>(i)] = first[static_cast<std::size_t>(i)]
            = static_cast<std::uint8_t>(i);
    out.assign(count, 0);
    std::size_t produced = 0, bitPos = 0;
    int width = minSize + 1, next = clear + 2, previous = -1;
    const std::size_t totalBits = data.size() * 8;
    while (produced < count && bitPos + static_cast<std::size_t>(width) <= totalBits) {
        int code = 0;
        for (int b = 0; b < width; ++b, ++bitPos)
            code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1) << b;
        if (code == clear) {
            width = minSize + 1, next = clear + 2, previous = -1;
            continue;
        }
        if (code == stop)
            break;
        if (code > next || (code == next && previous < 0))
            return false;
        std::size_t depth = 0;
        int c = code;
        if (code == next) { // the KwKwK case: previous string plus its own first index
            stack[depth++] = first[static_cast<std::size_t>(previous)];
            c = previous;
        }
        while (c >= clear + 2) {
            if (depth >= stack.size() - 1)
                return false;
            stack[depth++] = suffix[static_cast<std::size_t>(c)];
            c = prefix[static_cast<std::size_t>(c)];
        }
        stack[depth++] = static_cast<std::uint8_t>(c);
        if (previous >= 0 && next < 4096) {
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(next)] = stack[depth - 1];
            first[static_cast<std::size_t>(next)] = first[static_cast<std::size_t>(previous)];
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        }
        first[static_cast<std::size_t>(code)]
            = code < clear ? static_cast<std::uint8_t>(code) : first[static_cast<std::size_t>(code)];
        while (depth > 0 && produced < count)
            out[produced++] = stack[--depth];
        previous = code;
    }
    return produced == count;
}

bool RenderFrame(Walk &w, GifFileType *gif, const Graphics &gfx, const std::uint8_t *decoded = nullptr)
{
    const GifImageDesc &d = gif->Image;
    const ColorMapObject *map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
    RememberMap(w, map);
    std::uint32_t lut[256];
    for (int i = 0; i < 256; ++i) {
        if (map == nullptr) // no colour table at all: the index is a grey level
            lut[i] = 0xFF000000u | (std::uint32_t(i) << 16) | (std::uint32_t(i) << 8) | std::uint32_t(i);
        else if (i < map->ColorCount)
            lut[i] = 0xFF000000u | (std::uint32_t(map->Colors[i].Red) << 16)
                | (std::uint32_t(map->Colors[i].Green) << 8) | map->Colors[i].Blue;
        else
            lut[i] = 0xFF000000u; // index beyond the table: black
    }
    if (gfx.transparent >= 0 && gfx.transparent < 256)
        lut[gfx.transparent] = kTransparent;
    if (w.canvas.empty()) // made only once a frame is known to be sound
        w.canvas.assign(static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height), kTransparent);
    if (gfx.disposal == 3)
        w.saved = w.canvas;
    if (d.Width <= 0 || d.Height <= 0)
        return decoded != nullptr || SkipImageData(gif);
    w.line.resize(static_cast<std::size_t>(d.Width));
    // Interlaced frames arrive as rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...
    static const int kStart[4] = { 0, 4, 2, 1 }, kStep[4] = { 8, 8, 4, 2 };
    int pass = 0, next = 0;
    w.linesDone = 0;
    for (int i = 0; i < d.Height; ++i) {
        if (decoded != nullptr)
            std::memcpy(w.line.data(),
                decoded + static_cast<std::size_t>(i) * static_cast<std::size_t>(d.Width),
                static_cast<std::size_t>(d.Width));
        else if (DGifGetLine(gif, w.line.data(), d.Width) == GIF_ERROR)
            return false;
        w.linesDone = i + 1;
        int y = i;
        if (d.Interlace) {
            while (next >= d.Height && pass < 3)
                next = kStart[++pass];
            y = next;
            next += kStep[pass];
        }
        y += d.Top;
        if (y < 0 || y >= w.height)
            continue;
        std::uint32_t *out
            = w.canvas.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width);
        const int x0 = d.Left < 0 ? 0 : d.Left;
        const long long x1ll = static_cast<long long>(d.Left) + d.Width;
        const int x1 = x1ll > w.width ? w.width : static_cast<int>(x1ll);
        for (int x = x0; x < x1; ++x) {
            std::uint32_t c = lut[w.line[static_cast<std::size_t>(x - d.Left)]];
            if (c != kTransparent)
                out[x] = c;
        }
    }
    return true;
}

void Dispose(Walk &w, const GifImageDesc &d, const Graphics &gfx)
{
    if (gfx.disposal == 2) {
        for (long long y = d.Top < 0 ? 0 : d.Top;
             y < static_cast<long long>(d.Top) + d.Height && y < w.height; ++y)
            for (long long x = d.Left < 0 ? 0 : d.Left;
                 x < static_cast<long long>(d.Left) + d.Width && x < w.width; ++x)
                w.canvas[static_cast<std::size_t>(y * w.width + x)] = kTransparent;
    } else if (gfx.disposal == 3 && !w.saved.empty()) {
        w.canvas.swap(w.saved);
    }
}

void RunWalk(Walk &w)
{
    MemoryInput input { w.file, 0 };
    int err = 0;
    GifCloser closer { DGifOpen(&input, ReadFn, &err) };
    GifFileType *gif = closer.gif;
    if (gif == nullptr) {
        w.status = Status::Corrupt;
        return;
    }
    w.width = gif->SWidth;
    w.height = gif->SHeight;
    if (w.width <= 0 || w.height <= 0) {
        w.status = Status::Corrupt;
        return;
    }
    if (w.target >= 0) {
        if (static_cast<long long>(w.width) * w.height > PixelLimit()) {
            w.status = Status::TooLarge;
            return;
        }
    }
    Graphics gfx;
    while (true) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return;
        if (type == TERMINATE_RECORD_TYPE)
            return;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
                return;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && ext[0] >= 4) {
                gfx.disposal = (ext[1] >> 2) & 7;
                gfx.transparent = (ext[1] & 1) ? ext[4] : -1;
            }
            while (ext != nullptr)
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                    return;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            // giflib refuses LZW code sizes above 8 once it has read the descriptor and that
            // byte; such frames (sizes 9...11) are decoded here and giflib goes on after them.
            int wideSize = 0;
            if (DGifGetImageDesc(gif) == GIF_ERROR) {
                if (input.pos == 0 || input.pos > w.file.size)
                    return;
                wideSize = w.file.data[input.pos - 1];
                if (wideSize < 9 || wideSize > 11 || gif->Image.Width < 0 || gif->Image.Height < 0)
                    return;
            }
            const GifImageDesc d = gif->Image;
            // A frame reaching past the largest position a GIF can express is not a real one.
            if (static_cast<long long>(d.Left) + d.Width > 65535
                || static_cast<long long>(d.Top) + d.Height > 65535) {
                w.status = Status::Corrupt;
                return;
            }
            if (w.target >= 0 && w.frames <= w.target) {
                if (static_cast<long long>(d.Width) * d.Height > PixelLimit()) {
                    w.status = Status::TooLarge;
                    return;
                }
                if (wideSize != 0) {
                    std::vector<std::uint8_t> indices;
                    std::size_t pos = input.pos;
                    if (!DecodeWideLzw(w.file, pos, wideSize,
                            static_cast<std::size_t>(d.Width) * static_cast<std::size_t>(d.Height), indices))
                        return;
                    input.pos = pos;
                    if (!RenderFrame(w, gif, gfx, indices.data()))
                        return;
                } else if (!RenderFrame(w, gif, gfx)) {
                    // The target frame cut short after some lines is shown as far as it goes,
                    // the rest of the canvas as it stood.
                    if (w.frames == w.target && w.linesDone > 0) {
                        ++w.frames;
                        w.damaged = true;
                    }
                    return;
                }
                ++w.frames;
                // Frames after the target are only skipped, which still checks their placement.
                if (w.frames <= w.target)
                    Dispose(w, d, gfx);
            } else {
                if (wideSize != 0) {
                    std::size_t pos = input.pos;
                    if (!SkipSubBlocks(w.file, pos))
                        return;
                    input.pos = pos;
                } else if (!SkipImageData(gif)) {
                    return;
                }
                ++w.frames;
            }
            gfx = Graphics {};
        } else {
            return; // unknown record type: the stream ends here
        }
    }
}

bool Probe(Bytes head, std::string_view)
{
    return head.size >= 6
        && (std::memcmp(head.data, "GIF87a", 6) == 0 || std::memcmp(head.data, "GIF89a", 6) == 0);
}

int PageCount(Bytes file)
{
    if (!Probe(file, {}))
        return 0;
    Walk w;
    w.file = file;
    RunWalk(w);
    return w.status == Status::Ok ? w.frames : 0;
}

// Colour (0xFFRRGGBB) to its first index in a table of up to 256 entries.
class ColourIndex
{
public:
    void Add(std::uint32_t colour, int index)
    {
        std::uint32_t h = Hash(colour);
        while (m_keys[h] != 0 && m_keys[h] != colour)
            h = (h + 1) & (kSlots - 1);
        if (m_keys[h] == 0) {
            m_keys[h] = colour;
            m_values[h] = static_cast<std::int16_t>(index);
        }
    }
    int Find(std::uint32_t colour) const
    {
        std::uint32_t h = Hash(colour);
        while (m_keys[h] != 0) {
            if (m_keys[h] == colour)
                return m_values[h];
            h = (h + 1) & (kSlots - 1);
        }
        return -1;
    }

private:
    static constexpr std::uint32_t kSlots = 1024;
    static std::uint32_t Hash(std::uint32_t c) { return (c * 2654435761u) >> 22; }
    std::uint32_t m_keys[kSlots] = {}; // 0 is free: every stored colour has alpha 0xFF
    std::int16_t m_values[kSlots] = {};
};

// Palette form of the rendered canvas, when one colour table served every frame and a white
// entry for transparent pixels exists or fits.
bool ToPalette(const Walk &w, Picture &out)
{
    if (!w.oneMap || w.firstColors.empty())
        return false;
    const int count = w.firstMap.ColorCount;
    const int bitCount = count <= 2 ? 1 : (count <= 16 ? 4 : 8);
    const int slots = 1 << bitCount;
    ColourIndex index;
    for (int i = 0; i < count; ++i) {
        const GifColorType &c = w.firstColors[static_cast<std::size_t>(i)];
        index.Add(0xFF000000u | (std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8) | c.Blue, i);
    }
    // Indices per pixel (-1: transparent), runs of one colour looked up once.
    std::vector<std::int16_t> idx(w.canvas.size());
    bool used[256] = {};
    bool anyTransparent = false;
    std::uint32_t last = kTransparent;
    int lastIndex = -1;
    for (std::size_t i = 0; i < w.canvas.size(); ++i) {
        const std::uint32_t c = w.canvas[i];
        if (c != last) {
            last = c;
            lastIndex = c == kTransparent ? -1 : index.Find(c);
            if (c != kTransparent && lastIndex < 0)
                return false; // a colour from outside the table (an index beyond it drew black)
            if (lastIndex >= 0)
                used[lastIndex] = true;
        }
        anyTransparent = anyTransparent || lastIndex < 0;
        idx[i] = static_cast<std::int16_t>(lastIndex);
    }
    int white = -1;
    if (anyTransparent) {
        white = index.Find(0xFFFFFFFFu);
        for (int i = 0; i < slots && white < 0; ++i)
            if (!used[i])
                white = i;
        if (white < 0)
            return false;
    }
    if (out.Create(w.width, w.height, bitCount, 0) != Status::Ok)
        return false;
    for (int i = 0; i < count; ++i) {
        const GifColorType &c = w.firstColors[static_cast<std::size_t>(i)];
        out.info.bmiColors[i] = RGBQUAD { c.Blue, c.Green, c.Red, 0 };
    }
    if (white >= 0)
        out.info.bmiColors[white] = RGBQUAD { 255, 255, 255, 0 };
    for (int y = 0; y < w.height; ++y) {
        const std::int16_t *in = idx.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width);
        std::uint8_t *row = out.RowFromTop(y);
        for (int x = 0; x < w.width; ++x) {
            const int v = in[x] < 0 ? white : in[x];
            if (bitCount == 8)
                row[x] = static_cast<std::uint8_t>(v);
            else if (bitCount == 4)
                row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | (x & 1 ? v : v << 4));
            else if (v)
                row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
        }
    }
    return true;
}

Status Load(Bytes file, int page, Picture &out)
{
    if (!Probe(file, {}))
        return Status::NotThisFormat;
    Walk w;
    w.file = file;
    w.target = page < 0 ? 0 : page;
    try {
        RunWalk(w);
        if (w.status != Status::Ok)
            return w.status;
        if (w.frames <= w.target)
            return w.frames == 0 ? Status::Corrupt : Status::BadPage;
        if (w.canvas.empty()) // every frame up to the target was empty
            w.canvas.assign(
                static_cast<std::size_t>(w.width) * static_cast<std::size_t>(w.height), kTransparent);
        Picture pic;
        if (!ToPalette(w, pic)) {
            Status s = pic.Create(w.width, w.height, 24, 0);
            if (s != Status::Ok)
                return s;
            for (int y = 0; y < w.height; ++y) {
                const std::uint32_t *in
                    = w.canvas.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w.width);
                std::uint8_t *row = pic.RowFromTop(y);
                for (int x = 0; x < w.width; ++x, row += 3) {
                    std::uint32_t c = in[x] == kTransparent ? 0xFFFFFFFFu : in[x];
                    row[0] = static_cast<std::uint8_t>(c);
                    row[1] = static_cast<std::uint8_t>(c >> 8);
                    row[2] = static_cast<std::uint8_t>(c >> 16);
                }
            }
        }
        out = std::move(pic);
        out.damaged = w.damaged;
        return Status::Ok;
    } catch (...) {
        return Status::NoMemory;
    }
}

int WriteFn(GifFileType *gif, const GifByteType *data, int n)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    try {
        out->insert(out->end(), data, data + n);
    } catch (...) {
        return 0;
    }
    return n;
}

Status Save(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    if (view.width > 65535 || view.height > 65535)
        return Status::Unsupported;
    out.clear();
    std::vector<RGBQUAD> palette;
    std::vector<std::uint8_t> indices;
    const std::size_t w = static_cast<std::size_t>(view.width);
    try {
        if (view.bitCount <= 8) {
            palette.assign(view.palette, view.palette + view.paletteSize);
            indices.resize(w * static_cast<std::size_t>(view.height));
            for (int y = 0; y < view.height; ++y)
                view.RowIndices(y, indices.data() + static_cast<std::size_t>(y) * w);
        } else {
            Status s = QuantizePicture(view, 256, palette, indices);
            if (s != Status::Ok)
                return s;
        }
    } catch (...) {
        return Status::NoMemory;
    }
    int bits = 1;
    while ((1 << bits) < static_cast<int>(palette.size()) && bits < 8)
        ++bits;
    GifColorType colors[256] = {};
    for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
        colors[i] = GifColorType { palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue };
    ColorMapObject *map = GifMakeMapObject(1 << bits, colors);
    if (map == nullptr)
        return Status::NoMemory;
    int err = 0;
    GifFileType *gif = EGifOpen(&out, WriteFn, &err);
    if (gif == nullptr) {
        GifFreeMapObject(map);
        return Status::NoMemory;
    }
    bool ok = EGifPutScreenDesc(gif, view.width, view.height, bits, 0, map) != GIF_ERROR
        && EGifPutImageDesc(gif, 0, 0, view.width, view.height, false, nullptr) != GIF_ERROR;
    for (int y = 0; ok && y < view.height; ++y)
        ok = EGifPutLine(gif, indices.data() + static_cast<std::size_t>(y) * w, view.width) != GIF_ERROR;
    ok = EGifCloseFile(gif, &err) != GIF_ERROR && ok;
    GifFreeMapObject(map);
    if (!ok) {
        out.clear();
        return Status::NoMemory;
    }
    return Status::Ok;
}

} // namespace

extern const FormatCodec kFormat_gif = MakeFormat("gif", 2, "CompuServe Graphics Interchange", kExtensions,
    kMimeTypes, { .probe = Probe, .load = Load, .pageCount = PageCount, .save = Save });

} // namespace codexa
