// PNG over libpng: every colour type and depth, interlaced or not. Palettes keep their depth
// (2-bit becomes 4-bit; transparency entries composited over white), 1-bit grey stays 1-bit,
// other grey becomes 8-bit grey, the rest 24-bit; 16-bit samples are scaled to 8 with rounding;
// alpha and tRNS are composited over white. gAMA, cHRM and iCCP are not applied (the stored
// values are shown as they are). pHYs in pixels per metre becomes the header resolution.
#include "codec/colour.h"
#include "codec/format.h"

#include <csetjmp>
#include <cstring>
#include <memory>
#include <png.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".png", nullptr };
const char *const kMimeTypes[] = { "image/png", nullptr };
const std::uint8_t kSignature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };

[[noreturn]] void ErrorFn(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) { }

enum class Convert {
    None, // rows land in the picture as libpng delivers them
    Expand2To4, // 2-bit indices into 4-bit
    GreyAlpha, // grey + alpha over white into 8-bit grey
    BgrAlpha, // BGRA over white into 24-bit
};

// Memory owners and progress live outside the frame that calls setjmp, so a decode cut short by
// libpng's error handler still hands out the rows it delivered.
struct DecodeJob {
    Bytes file;
    std::size_t pos = 0;
    Picture picture;
    std::vector<std::uint8_t> buffer;
    std::vector<png_bytep> rows;
    Status status = Status::Corrupt;
    Convert how = Convert::None;
    bool interlaced = false;
    int rowsDone = 0; // rows of the first (or only) pass delivered
    bool complete = false;
    bool shortRead = false; // the file ended inside a read
    std::vector<std::uint8_t> icc; // the embedded colour profile, if any
};

void ReadFn(png_structp png, png_bytep out, std::size_t n)
{
    auto *job = static_cast<DecodeJob *>(png_get_io_ptr(png));
    if (n > job->file.size - job->pos) {
        job->shortRead = true;
        png_error(png, "truncated");
    }
    std::memcpy(out, job->file.data + job->pos, n);
    job->pos += n;
}

void ConvertRow(Convert how, const std::uint8_t *in, std::uint8_t *out, int width)
{
    switch (how) {
    case Convert::Expand2To4:
        for (int x = 0; x < width; x += 2) {
            int a = (in[x >> 2] >> (6 - 2 * (x & 3))) & 3;
            int b = x + 1 < width ? (in[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
            out[x >> 1] = static_cast<std::uint8_t>((a << 4) | b);
        }
        break;
    case Convert::GreyAlpha:
        for (int x = 0; x < width; ++x)
            out[x] = OverWhite(in[2 * x], in[2 * x + 1]);
        break;
    case Convert::BgrAlpha:
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = OverWhite(in[0], in[3]);
            out[1] = OverWhite(in[1], in[3]);
            out[2] = OverWhite(in[2], in[3]);
        }
        break;
    case Convert::None:
        break;
    }
}

// The conversion from the rows libpng will deliver (after png_read_update_info) into the
// picture's depth, or false when they do not fit it. Chunks seen earlier (a tRNS that a later
// PLTE cancelled, say) never decide this: only the delivered layout does.
bool ChooseConvert(int bitCount, int channels, int rowDepth, std::size_t rowBytes, int width, Convert &how)
{
    const std::size_t w = static_cast<std::size_t>(width);
    std::size_t need = 0;
    if (bitCount <= 8 && channels == 1 && rowDepth == bitCount) {
        how = Convert::None;
        need = (w * static_cast<std::size_t>(bitCount) + 7) / 8;
    } else if (bitCount == 4 && channels == 1 && rowDepth == 2) {
        how = Convert::Expand2To4;
        need = (w * 2 + 7) / 8;
    } else if (bitCount == 8 && channels == 2 && rowDepth == 16) {
        how = Convert::GreyAlpha;
        need = w * 2;
    } else if (bitCount == 24 && channels == 3 && rowDepth == 24) {
        how = Convert::None;
        need = w * 3;
    } else if (bitCount == 24 && channels == 4 && rowDepth == 32) {
        how = Convert::BgrAlpha;
        need = w * 4;
    } else {
        return false;
    }
    return rowBytes >= need;
}

void RunDecode(DecodeJob &job, png_structp png, png_infop info)
{
    png_set_read_fn(png, &job, ReadFn);
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
    if (w == 0 || h == 0 || static_cast<long long>(w) * h > PixelLimit() || w > 0x7FFFFFFF
        || h > 0x7FFFFFFF) {
        job.status = w == 0 || h == 0 ? Status::Corrupt : Status::TooLarge;
        return;
    }
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    png_bytep trans = nullptr;
    int numTrans = 0;
    png_color_16p transColor = nullptr;
    bool hasTrns = png_get_tRNS(png, info, &trans, &numTrans, &transColor) != 0;

    int bitCount = 24;
    int paletteSize = 0;
    DibInfoBlock palette {};
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp plte = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &plte, &count) == 0 || count <= 0) {
            job.status = Status::Corrupt;
            return;
        }
        bitCount = depth == 2 ? 4 : depth;
        if (count > (1 << depth))
            count = 1 << depth;
        paletteSize = count;
        for (int i = 0; i < count; ++i) {
            unsigned a = hasTrns && trans != nullptr && i < numTrans ? trans[i] : 255;
            palette.bmiColors[i] = RGBQUAD { OverWhite(plte[i].blue, a), OverWhite(plte[i].green, a),
                OverWhite(plte[i].red, a), 0 };
        }
    } else if (colorType == PNG_COLOR_TYPE_GRAY && depth == 1) {
        bitCount = 1;
        paletteSize = 2;
        palette.bmiColors[0] = RGBQUAD { 0, 0, 0, 0 };
        palette.bmiColors[1] = RGBQUAD { 255, 255, 255, 0 };
        if (hasTrns && transColor != nullptr && transColor->gray <= 1)
            palette.bmiColors[transColor->gray] = RGBQUAD { 255, 255, 255, 0 };
    } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        bitCount = 8;
        paletteSize = 256;
        DibGreyPalette(palette, 256);
        if (depth < 8)
            png_set_expand_gray_1_2_4_to_8(png);
        if (hasTrns)
            png_set_tRNS_to_alpha(png);
    } else {
        png_set_bgr(png);
        if (hasTrns)
            png_set_tRNS_to_alpha(png);
    }
    if (depth == 16)
        png_set_scale_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const int channels = png_get_channels(png, info);
    const int rowDepth = png_get_bit_depth(png, info) * channels;
    if (!ChooseConvert(bitCount, channels, rowDepth, rowBytes, width, job.how)) {
        job.status = Status::Corrupt;
        return;
    }

    job.status
        = job.picture.Create(width, height, bitCount, paletteSize == (1 << bitCount) ? 0 : paletteSize);
    if (job.status != Status::Ok)
        return;
    job.status = Status::Corrupt;
    if (bitCount <= 8)
        std::memcpy(job.picture.info.bmiColors, palette.bmiColors, sizeof palette.bmiColors);
    png_charp iccName = nullptr;
    png_bytep iccData = nullptr;
    png_uint_32 iccSize = 0;
    int iccCompression = 0;
    if (png_get_iCCP(png, info, &iccName, &iccCompression, &iccData, &iccSize) != 0 && iccData != nullptr)
        job.icc.assign(iccData, iccData + iccSize);
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) != 0 && unit == PNG_RESOLUTION_METER
        && resX <= 0x7FFFFFFF && resY <= 0x7FFFFFFF)
        job.picture.SetResolution(static_cast<LONG>(resX), static_cast<LONG>(resY));

    const std::size_t rowCount = static_cast<std::size_t>(height);
    const bool direct = job.how == Convert::None && rowBytes <= job.picture.stride();
    if (passes == 1) {
        // Row by row, straight into the picture or through one row buffer.
        if (!direct && !TryResize(job.buffer, rowBytes)) {
            job.status = Status::NoMemory;
            return;
        }
        for (int y = 0; y < height; ++y) {
            std::uint8_t *target = direct ? job.picture.RowFromTop(y) : job.buffer.data();
            png_read_row(png, target, nullptr);
            if (!direct)
                ConvertRow(job.how, target, job.picture.RowFromTop(y), width);
            job.rowsDone = y + 1;
        }
        job.complete = true;
        return;
    }
    if (!TryResize(job.rows, rowCount)
        || (!direct
            && (rowBytes > (std::size_t(1) << 40) / rowCount
                || !TryResize(job.buffer, rowBytes * rowCount)))) {
        job.status = Status::NoMemory;
        return;
    }
    for (int y = 0; y < height; ++y)
        job.rows[static_cast<std::size_t>(y)]
            = direct ? job.picture.RowFromTop(y) : job.buffer.data() + rowBytes * static_cast<std::size_t>(y);
    job.interlaced = true;
    // Pass by pass in libpng's display mode: each pass fills the blocks it covers, so a file cut
    // short shows every pass it completed, coarse where the later passes are missing.
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < height; ++y) {
            png_read_row(png, nullptr, job.rows[static_cast<std::size_t>(y)]);
            if (pass == 0)
                job.rowsDone = y + 1;
        }
    job.complete = true;
}

// After the decode, whole or cut short: converts buffered interlaced rows, and decides whether
// there is a picture. A file that ends after at least one delivered row is a damaged picture; the
// rows never delivered stay zero (black, or palette entry 0). Other errors (a bad check value,
// broken compressed data) fail as before.
void FinishDecode(DecodeJob &job)
{
    if (job.picture.bits == nullptr || job.rowsDone == 0 || (!job.complete && !job.shortRead)
        || (job.status != Status::Ok && job.status != Status::Corrupt)) {
        if (job.status == Status::Ok)
            job.status = Status::Corrupt;
        return;
    }
    if (job.interlaced && job.how != Convert::None)
        for (int y = 0; y < job.picture.height(); ++y)
            ConvertRow(job.how, job.rows[static_cast<std::size_t>(y)], job.picture.RowFromTop(y),
                job.picture.width());
    job.picture.damaged = !job.complete;
    job.status = Status::Ok;
}

bool Probe(Bytes head, std::string_view)
{
    return head.size >= 8 && std::memcmp(head.data, kSignature, 8) == 0;
}

// idatReadSize: 0 for libpng's own; a small value makes a file cut inside its image data give
// up only the last few bytes before the cut.
Status LoadOnce(Bytes file, std::size_t idatReadSize, DecodeJob &job)
{
    job.file = file;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, ErrorFn, WarningFn);
    if (png == nullptr)
        return Status::NoMemory;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Status::NoMemory;
    }
    if (idatReadSize > 0)
        png_set_compression_buffer_size(png, idatReadSize);
    if (setjmp(png_jmpbuf(png)) == 0)
        RunDecode(job, png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    FinishDecode(job);
    return job.status;
}

Status Load(Bytes file, int page, Picture &out)
{
    if (page > 0)
        return Status::BadPage;
    if (!Probe(file, {}))
        return Status::NotThisFormat;
    auto job = std::make_unique<DecodeJob>();
    Status s = LoadOnce(file, 0, *job);
    if (job->shortRead && job->picture.bits != nullptr && !job->complete) {
        // Cut short: again in small reads, which decode every row the data before the cut holds.
        auto again = std::make_unique<DecodeJob>();
        if (LoadOnce(file, 16, *again) == Status::Ok && again->rowsDone >= job->rowsDone) {
            job = std::move(again);
            s = Status::Ok;
        }
    }
    if (s == Status::Ok) {
        if (!job->icc.empty())
            IccToSrgb(job->picture, job->icc.data(), job->icc.size());
        out = std::move(job->picture);
    }
    return s;
}

struct EncodeJob {
    const PictureView *view;
    std::vector<std::uint8_t> *out;
    std::vector<std::uint8_t> row;
    bool failed = false;
};

void WriteFn(png_structp png, png_bytep data, std::size_t n)
{
    auto *job = static_cast<EncodeJob *>(png_get_io_ptr(png));
    try {
        job->out->insert(job->out->end(), data, data + n);
    } catch (...) {
        job->failed = true;
    }
    if (job->failed)
        png_error(png, "out of memory");
}

void FlushFn(png_structp) { }

void RunEncode(EncodeJob &job, png_structp png, png_infop info)
{
    const PictureView &v = *job.view;
    png_set_write_fn(png, &job, WriteFn, FlushFn);
    const bool palette = v.bitCount <= 8;
    const bool grey = palette && v.IsGreyRamp();
    const int depth = palette ? v.bitCount : 8;
    const int colorType
        = grey ? PNG_COLOR_TYPE_GRAY : (palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB);
    png_set_IHDR(png, info, static_cast<png_uint_32>(v.width), static_cast<png_uint_32>(v.height), depth,
        colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // For photographs zlib's level 2 with the two cheap row filters gives files within a few per
    // cent of the default level with all five filters, several times faster. Palette and grey
    // rows keep the library's own filter choice.
    png_set_compression_level(png, 2);
    if (!palette)
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
    if (palette && !grey) {
        png_color colors[256];
        int count = v.paletteSize > 0 ? v.paletteSize : 1;
        for (int i = 0; i < count; ++i)
            colors[i] = png_color { v.palette[i].rgbRed, v.palette[i].rgbGreen, v.palette[i].rgbBlue };
        png_set_PLTE(png, info, colors, count);
    }
    if (v.header->biXPelsPerMeter > 0 && v.header->biYPelsPerMeter > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(v.header->biXPelsPerMeter),
            static_cast<png_uint_32>(v.header->biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (!palette)
        png_set_bgr(png);
    for (int y = 0; y < v.height; ++y) {
        if (palette || v.bitCount == 24) {
            png_write_row(png, v.RowFromTop(y));
        } else {
            v.RowBGR(y, job.row.data());
            png_write_row(png, job.row.data());
        }
    }
    png_write_end(png, info);
}

Status Save(const PictureView &view, const SaveOptions &, std::vector<std::uint8_t> &out)
{
    EncodeJob job;
    job.view = &view;
    job.out = &out;
    out.clear();
    if (!TryResize(job.row, static_cast<std::size_t>(view.width) * 3))
        return Status::NoMemory;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, ErrorFn, WarningFn);
    if (png == nullptr)
        return Status::NoMemory;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return Status::NoMemory;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.clear();
        return job.failed ? Status::NoMemory : Status::Corrupt;
    }
    RunEncode(job, png, info);
    png_destroy_write_struct(&png, &info);
    return Status::Ok;
}

} // namespace

extern const FormatCodec kFormat_png = MakeFormat("png", 8, "Portable Network Graphics", kExtensions,
    kMimeTypes, { .probe = Probe, .load = Load, .save = Save });

} // namespace codexa
