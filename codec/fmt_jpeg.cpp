// JPEG over libjpeg-turbo: baseline, progressive, grey and CMYK/YCCK read (EXIF orientation
// applied, JFIF density kept), DCT-domain scaling for thumbnails; 24-bit and grey written.
#include "codec/colour.h"
#include "codec/exif.h"
#include "codec/format.h"
#include "codec/jpeg_dc.h"
#include "codec/orient.h"
#include "codec/resample.h"

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".jpg", ".jpeg", ".jpe", ".jfif", nullptr };
const char *const kMimeTypes[] = { "image/jpeg", nullptr };

// More scans than any sane encoder writes; past this a progressive file is treated as hostile.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    bool damaged = false; // the decoder met broken or missing data and filled in for it
    bool cutShort = false; // the data ended early
    JDIMENSION rowsAtCut = 0; // rows already output when it did
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void Silent(j_common_ptr) { }

// Warnings about broken entropy data mark the picture damaged; libjpeg goes on with its own
// recovery (missing data decodes as flat blocks).
void Warn(j_common_ptr cinfo, int level)
{
    if (level != -1)
        return;
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        if (!err->cutShort && cinfo->is_decompressor) {
            err->cutShort = true;
            err->rowsAtCut = reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline;
        }
        err->damaged = true;
        break;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        err->damaged = true;
        break;
    default:
        break;
    }
}

void LimitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_NOT_COMPILED; // any code: the message is never shown
        cinfo->err->error_exit(cinfo);
    }
}

void InitErrors(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = Silent;
    err.pub.emit_message = Warn;
}

LONG DensityToPelsPerMeter(unsigned unit, unsigned density)
{
    if (unit == 1)
        return static_cast<LONG>((density * 10000u + 127u) / 254u);
    if (unit == 2)
        return static_cast<LONG>(density * 100u);
    return 0;
}

// What one decode needs beyond the libjpeg state. Everything that owns memory lives here,
// outside the frame that calls setjmp, so a longjmp never skips a destructor.
struct DecodeJob {
    Bytes file;
    int minWidth = 0; // the thumbnail box; 0: full size
    int minHeight = 0;
    Picture picture;
    std::vector<std::uint8_t> cmykRow;
    DibInfoBlock *sourceInfo = nullptr;
    Status status = Status::Corrupt;
    int orientation = 1;
    std::vector<std::uint8_t> icc; // the embedded colour profile, if any
};

void CmykToBgr(const std::uint8_t *cmyk, std::uint8_t *bgr, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

int FindOrientation(j_decompress_ptr cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            int o = ExifOrientation(m->data, m->data_length);
            if (o != 0)
                return o;
        }
    }
    return 1;
}

// The libjpeg part: no object with a destructor lives in this frame.
void RunDecode(DecodeJob &job, jpeg_decompress_struct &cinfo, int &orientation)
{
    jpeg_mem_src(&cinfo, job.file.data, static_cast<unsigned long>(job.file.size));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.src->bytes_in_buffer == 0) { // cut right after the first scan header
        job.status = Status::Corrupt;
        return;
    }
    orientation = FindOrientation(&cinfo);
    JOCTET *icc = nullptr;
    unsigned int iccSize = 0;
    if (jpeg_read_icc_profile(&cinfo, &icc, &iccSize) && icc != nullptr) {
        job.icc.assign(icc, icc + iccSize);
        std::free(icc);
    }
    const long long fullW = cinfo.image_width, fullH = cinfo.image_height;
    if (fullW <= 0 || fullH <= 0) {
        job.status = Status::Corrupt;
        return;
    }
    // The decoded picture, reduced or not, is held to PixelLimit() when it is made.
    if (fullW * fullH > FullPixelLimit()) {
        job.status = Status::TooLarge;
        return;
    }
    bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_EXT_BGR);
    const int bitCount = grey ? 8 : 24;
    const bool swap = OrientationTransposes(orientation);
    const LONG xppm = DensityToPelsPerMeter(cinfo.density_unit, cinfo.X_density);
    const LONG yppm = DensityToPelsPerMeter(cinfo.density_unit, cinfo.Y_density);

    if (job.sourceInfo != nullptr) {
        DibInitHeader(*job.sourceInfo, static_cast<int>(swap ? fullH : fullW),
            static_cast<int>(swap ? fullW : fullH), bitCount);
        if (grey)
            DibGreyPalette(*job.sourceInfo, 256);
        job.sourceInfo->bmiHeader.biXPelsPerMeter = swap ? yppm : xppm;
        job.sourceInfo->bmiHeader.biYPelsPerMeter = swap ? xppm : yppm;
    }
    if (job.minWidth > 0 && job.minHeight > 0) {
        // The smallest scale N/8 whose output still covers the thumbnail the box will hold.
        int tw = 1, th = 1;
        FitIntoBox(static_cast<int>(swap ? fullH : fullW), static_cast<int>(swap ? fullW : fullH),
            job.minWidth, job.minHeight, tw, th);
        const long long bw = swap ? th : tw;
        const long long bh = swap ? tw : th;
        unsigned num = 8;
        for (unsigned n = 1; n < 8; ++n) {
            if ((fullW * n + 7) / 8 >= bw && (fullH * n + 7) / 8 >= bh) {
                num = n;
                break;
            }
        }
        cinfo.scale_num = num;
        cinfo.scale_denom = 8;
        if (num < 8)
            cinfo.do_fancy_upsampling = FALSE;
    }
    jpeg_calc_output_dimensions(&cinfo);
    job.status = job.picture.Recreate(
        static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), bitCount, 0);
    if (job.status != Status::Ok)
        return;
    job.status = Status::Corrupt;
    if (grey)
        DibGreyPalette(job.picture.info, 256);
    job.picture.SetResolution(xppm, yppm);
    if (cinfo.scale_num == 1 && cinfo.scale_denom == 8 && !cmyk
        && DecodeJpegDcOnly(&cinfo, job.file, job.picture)) {
        job.status = Status::Ok;
        return;
    }
    jpeg_start_decompress(&cinfo);
    // Rows land in buffers sized for the components asked for; the decoder's own count decides.
    if (cinfo.output_components != (cmyk ? 4 : (grey ? 1 : 3))
        || cinfo.output_width != static_cast<JDIMENSION>(job.picture.width())
        || cinfo.output_height != static_cast<JDIMENSION>(job.picture.height()))
        return;
    if (cmyk) {
        job.cmykRow.resize(static_cast<std::size_t>(cinfo.output_width) * 4);
        bool inverted = cinfo.saw_Adobe_marker;
        JSAMPROW row = job.cmykRow.data();
        while (cinfo.output_scanline < cinfo.output_height) {
            std::uint8_t *out = job.picture.RowFromTop(static_cast<int>(cinfo.output_scanline));
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
                return;
            CmykToBgr(row, out, static_cast<int>(cinfo.output_width), inverted);
        }
    } else {
        JSAMPROW rows[4];
        while (cinfo.output_scanline < cinfo.output_height) {
            const int first = static_cast<int>(cinfo.output_scanline);
            const int n = static_cast<int>(cinfo.output_height) - first < 4
                ? static_cast<int>(cinfo.output_height) - first
                : 4;
            for (int i = 0; i < n; ++i)
                rows[i] = job.picture.RowFromTop(first + i);
            if (jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n)) == 0)
                return;
        }
    }
    job.status = Status::Ok;
}

Status Decode(DecodeJob &job)
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progress;
    InitErrors(err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        job.picture.Reset();
        return Status::Corrupt;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
    RunDecode(job, cinfo, job.orientation);
    const bool progressive = cinfo.progressive_mode != 0;
    jpeg_destroy_decompress(&cinfo);
    // A sequential file cut before its first rows were whole has nothing real to show.
    if (job.status == Status::Ok && err.cutShort && err.rowsAtCut == 0 && !progressive)
        job.status = Status::Corrupt;
    if (job.status != Status::Ok) {
        job.picture.Reset();
        return job.status;
    }
    Status s = ApplyOrientation(job.picture, job.orientation);
    if (s == Status::Ok && !job.icc.empty())
        IccToSrgb(job.picture, job.icc.data(), job.icc.size());
    job.picture.damaged = err.damaged;
    return s;
}

bool Probe(Bytes head, std::string_view)
{
    return head.size >= 3 && head.data[0] == 0xFF && head.data[1] == 0xD8 && head.data[2] == 0xFF;
}

Status Load(Bytes file, int page, Picture &out)
{
    if (page > 0)
        return Status::BadPage;
    DecodeJob job;
    job.file = file;
    Status s = Decode(job);
    if (s == Status::Ok)
        out = std::move(job.picture);
    return s;
}

Status LoadReduced(Bytes file, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
{
    DecodeJob job;
    job.file = file;
    job.picture = std::move(out); // the caller's block is reused when it is large enough
    job.minWidth = boxWidth > 0 ? boxWidth : 1;
    job.minHeight = boxHeight > 0 ? boxHeight : 1;
    job.sourceInfo = sourceInfo;
    Status s = Decode(job);
    if (s == Status::Ok)
        out = std::move(job.picture);
    return s;
}

// Compressed bytes go straight into the caller's vector.
struct VectorDestination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t> *out;
};

constexpr std::size_t kChunk = 1 << 16;

void GrowOrFail(j_compress_ptr cinfo, std::vector<std::uint8_t> &v, std::size_t size)
{
    if (!TryResize(v, size)) {
        cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    }
}

void InitDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<VectorDestination *>(cinfo->dest);
    GrowOrFail(cinfo, *d->out, kChunk);
    d->pub.next_output_byte = d->out->data();
    d->pub.free_in_buffer = d->out->size();
}

boolean EmptyOutput(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<VectorDestination *>(cinfo->dest);
    std::size_t used = d->out->size();
    GrowOrFail(cinfo, *d->out, used * 2);
    d->pub.next_output_byte = d->out->data() + used;
    d->pub.free_in_buffer = d->out->size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<VectorDestination *>(cinfo->dest);
    d->out->resize(d->out->size() - d->pub.free_in_buffer);
}

struct EncodeJob {
    const PictureView *view;
    int quality;
    std::vector<std::uint8_t> *out;
    std::vector<std::uint8_t> row;
    bool grey;
    std::uint8_t greyLut[256];
};

void RunEncode(EncodeJob &job, jpeg_compress_struct &cinfo, VectorDestination &dest)
{
    const PictureView &v = *job.view;
    dest.pub.init_destination = InitDestination;
    dest.pub.empty_output_buffer = EmptyOutput;
    dest.pub.term_destination = TermDestination;
    dest.out = job.out;
    cinfo.dest = &dest.pub;
    cinfo.image_width = static_cast<JDIMENSION>(v.width);
    cinfo.image_height = static_cast<JDIMENSION>(v.height);
    cinfo.input_components = job.grey ? 1 : 3;
    cinfo.in_color_space = job.grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    if (v.header->biXPelsPerMeter > 0 && v.header->biYPelsPerMeter > 0) {
        auto dpi = [](LONG ppm) {
            long d = (static_cast<long>(ppm) * 254 + 5000) / 10000;
            return static_cast<UINT16>(d < 1 ? 1 : (d > 65535 ? 65535 : d));
        };
        cinfo.density_unit = 1;
        cinfo.X_density = dpi(v.header->biXPelsPerMeter);
        cinfo.Y_density = dpi(v.header->biYPelsPerMeter);
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        JSAMPROW row;
        if (job.grey) {
            v.RowIndices(y, job.row.data());
            for (int x = 0; x < v.width; ++x)
                job.row[static_cast<std::size_t>(x)] = job.greyLut[job.row[static_cast<std::size_t>(x)]];
            row = job.row.data();
        } else if (v.bitCount == 24) {
            row = const_cast<JSAMPROW>(v.RowFromTop(y));
        } else {
            v.RowBGR(y, job.row.data());
            row = job.row.data();
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
}

Status Save(const PictureView &view, const SaveOptions &options, std::vector<std::uint8_t> &out)
{
    EncodeJob job {};
    job.view = &view;
    job.quality = options.jpegQuality >= 1 && options.jpegQuality <= 100 ? options.jpegQuality : 90;
    job.out = &out;
    job.grey = view.bitCount <= 8 && view.IsGreyPalette();
    if (job.grey) {
        for (int i = 0; i < 256; ++i)
            job.greyLut[i] = i < view.paletteSize ? view.palette[i].rgbBlue : 0;
    }
    try {
        job.row.resize(static_cast<std::size_t>(view.width) * 3);
    } catch (...) {
        return Status::NoMemory;
    }
    jpeg_compress_struct cinfo;
    ErrorManager err;
    VectorDestination dest {};
    InitErrors(err);
    cinfo.err = &err.pub;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        out.clear();
        return Status::Corrupt;
    }
    jpeg_create_compress(&cinfo);
    RunEncode(job, cinfo, dest);
    jpeg_destroy_compress(&cinfo);
    return Status::Ok;
}

} // namespace

extern const FormatCodec kFormat_jpeg = MakeFormat("jpeg", 1, "JPEG Compliant", kExtensions, kMimeTypes,
    { .probe = Probe, .load = Load, .save = Save, .loadReduced = LoadReduced });

} // namespace codexa
