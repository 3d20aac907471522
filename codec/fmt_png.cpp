// PNG over libpng: every colour type and depth, interlaced or not. Palettes keep their depth
// (2-bit becomes 4-bit; transparency entries composited over white), 1-bit grey stays 1-bit,
// other grey becomes 8-bit grey, the rest 24-bit; 16-bit samples are scaled to 8 with rounding;
// alpha and tRNS are composited over white. gAMA, cHRM and iCCP are not applied (the stored
// values are shown as they are). pHYs in pixels per metre becomes the header resolution.
#include "codec/format.h"

#include <csetjmp>
#include <cstring>
#include <png.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".png", nullptr };
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

// Memory owners live outside the frame that calls setjmp.
struct DecodeJob {
    Bytes file;
    std::size_t pos = 0;
    Picture picture;
    std::vector<std::uint8_t> buffer;
    std::vector<png_bytep> rows;
    Status status = Status::Corrupt;
};

void ReadFn(png_structp png, png_bytep out, std::size_t n)
{
    auto *job = static_cast<DecodeJob *>(png_get_io_ptr(png));
    if (n > job->file.size - job->pos)
        png_error(png, "truncated");
    std::memcpy(out, job->file.data + job->pos, n);
    job->pos += n;
}

bool Reserve(std::vector<std::uint8_t> &v, std::size_t n) noexcept
{
    try {
        v.resize(n);
        return true;
    } catch (...) {
        return false;
    }
}

bool ReserveRows(std::vector<png_bytep> &v, std::size_t n) noexcept
{
    try {
        v.resize(n);
        return true;
    } catch (...) {
        return false;
    }
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

    Convert how = Convert::None;
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
        if (depth == 2)
            how = Convert::Expand2To4;
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
        if (hasTrns || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
            how = Convert::GreyAlpha;
    } else {
        png_set_bgr(png);
        if (hasTrns)
            png_set_tRNS_to_alpha(png);
        if (hasTrns || colorType == PNG_COLOR_TYPE_RGB_ALPHA)
            how = Convert::BgrAlpha;
    }
    if (depth == 16)
        png_set_scale_16(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);

    job.status
        = job.picture.Create(width, height, bitCount, paletteSize == (1 << bitCount) ? 0 : paletteSize);
    if (job.status != Status::Ok)
        return;
    job.status = Status::Corrupt;
    if (bitCount <= 8)
        std::memcpy(job.picture.info.bmiColors, palette.bmiColors, sizeof palette.bmiColors);
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) != 0 && unit == PNG_RESOLUTION_METER
        && resX <= 0x7FFFFFFF && resY <= 0x7FFFFFFF)
        job.picture.SetResolution(static_cast<LONG>(resX), static_cast<LONG>(resY));

    if (how == Convert::None && rowBytes <= job.picture.stride()) {
        if (!ReserveRows(job.rows, static_cast<std::size_t>(height))) {
            job.status = Status::NoMemory;
            return;
        }
        for (int y = 0; y < height; ++y)
            job.rows[static_cast<std::size_t>(y)] = job.picture.RowFromTop(y);
        png_read_image(png, job.rows.data());
    } else if (passes == 1) {
        if (!Reserve(job.buffer, rowBytes)) {
            job.status = Status::NoMemory;
            return;
        }
        for (int y = 0; y < height; ++y) {
            png_read_row(png, job.buffer.data(), nullptr);
            ConvertRow(how, job.buffer.data(), job.picture.RowFromTop(y), width);
        }
    } else {
        if (rowBytes > (std::size_t(1) << 40) / static_cast<std::size_t>(height)
            || !Reserve(job.buffer, rowBytes * static_cast<std::size_t>(height))
            || !ReserveRows(job.rows, static_cast<std::size_t>(height))) {
            job.status = Status::NoMemory;
            return;
        }
        for (int y = 0; y < height; ++y)
            job.rows[static_cast<std::size_t>(y)]
                = job.buffer.data() + rowBytes * static_cast<std::size_t>(y);
        png_read_image(png, job.rows.data());
        for (int y = 0; y < height; ++y)
            ConvertRow(how, job.rows[static_cast<std::size_t>(y)], job.picture.RowFromTop(y), width);
    }
    job.status = Status::Ok;
}

bool Probe(Bytes head, std::string_view)
{
    return head.size >= 8 && std::memcmp(head.data, kSignature, 8) == 0;
}

Status Load(Bytes file, int page, Picture &out)
{
    if (page > 0)
        return Status::BadPage;
    if (!Probe(file, {}))
        return Status::NotThisFormat;
    DecodeJob job;
    job.file = file;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, ErrorFn, WarningFn);
    if (png == nullptr)
        return Status::NoMemory;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Status::NoMemory;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Status::Corrupt;
    }
    RunDecode(job, png, info);
    png_destroy_read_struct(&png, &info, nullptr);
    if (job.status == Status::Ok)
        out = std::move(job.picture);
    return job.status;
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
    if (!Reserve(job.row, static_cast<std::size_t>(view.width) * 3))
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

extern const FormatCodec kFormat_png = {
    "png",
    kExtensions,
    10,
    Probe,
    Load,
    nullptr,
    Save,
    nullptr,
};

} // namespace codexa
