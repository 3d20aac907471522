#include "codec/heifio.h"

#include "codec/colour.h"
#include "codec/resample.h"
#include "codec/rgba.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <mutex>

namespace codexa
{

namespace
{

void InitOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { heif_init(nullptr); });
}

struct ContextDeleter {
    void operator()(heif_context *c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image *i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

Status FromError(const heif_error &e)
{
    switch (e.code) {
    case heif_error_Ok:
        return Status::Ok;
    case heif_error_Memory_allocation_error:
        return Status::NoMemory;
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
    case heif_error_Decoder_plugin_error:
        return Status::Unsupported;
    default:
        return Status::Corrupt;
    }
}

Status OpenContext(Bytes file, Context &ctx)
{
    InitOnce();
    ctx.reset(heif_context_alloc());
    if (!ctx)
        return Status::NoMemory;
    // libheif's own size check: the side of a square of four times the pixel limit, at most its
    // default of 32768, so a small limit (fuzzing) also bounds what the library allocates.
    const double side = 2.0 * std::sqrt(static_cast<double>(FullPixelLimit()));
    heif_context_set_maximum_image_size_limit(
        ctx.get(), static_cast<int>(std::min(32768.0, std::max(256.0, side))));
    return FromError(heif_context_read_from_memory_without_copy(ctx.get(), file.data, file.size, nullptr));
}

Status PageHandle(heif_context *ctx, int page, Handle &handle)
{
    heif_image_handle *h = nullptr;
    if (page < 0) {
        Status s = FromError(heif_context_get_primary_image_handle(ctx, &h));
        handle.reset(h);
        return s;
    }
    const int count = heif_context_get_number_of_top_level_images(ctx);
    if (page >= count)
        return Status::BadPage;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_context_get_list_of_top_level_image_IDs(ctx, ids.data(), count);
    Status s = FromError(heif_context_get_image_handle(ctx, ids[static_cast<std::size_t>(page)], &h));
    handle.reset(h);
    return s;
}

// The picture's colour description, ICC or nclx, applied.
void ToSrgb(heif_image_handle *handle, Picture &pic)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const std::size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        std::vector<std::uint8_t> icc(size);
        if (size > 0 && heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
            IccToSrgb(pic, icc.data(), icc.size());
        return;
    }
    heif_color_profile_nclx *nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx != nullptr)
        CicpToSrgb(pic, nclx->color_primaries, nclx->transfer_characteristics);
    heif_nclx_color_profile_free(nclx);
}

Status Decode(heif_image_handle *handle, Picture &out)
{
    Status s = CheckSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    if (s != Status::Ok)
        return s;
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    heif_image *raw = nullptr;
    s = FromError(heif_decode_image(handle, &raw, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr));
    Image image(raw);
    if (s != Status::Ok)
        return s;
    int stride = 0;
    const std::uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (plane == nullptr || stride <= 0)
        return Status::Corrupt;
    s = CheckSize(width, height);
    if (s != Status::Ok)
        return s;
    s = PictureFromRows(plane, static_cast<std::size_t>(stride), width, height,
        alpha ? PixelOrder::Rgba : PixelOrder::Rgb, out);
    if (s == Status::Ok)
        ToSrgb(handle, out);
    return s;
}

// Thumbnails shrink many times: the decoder's own Y, Cb, Cr planes are averaged over blocks of
// factor × factor pixels and only the small result is turned into RGB, which saves converting
// and copying the whole picture. False (nothing done) for layouts this does not cover; the
// caller then decodes in RGB.
bool DecodeShrunk(heif_image_handle *handle, int factor, Picture &out)
{
    if (factor < 2 || heif_image_handle_has_alpha_channel(handle) != 0)
        return false;
    heif_image *raw = nullptr;
    if (heif_decode_image(handle, &raw, heif_colorspace_YCbCr, heif_chroma_420, nullptr).code
        != heif_error_Ok)
        return false;
    Image image(raw);
    if (heif_image_get_chroma_format(image.get()) != heif_chroma_420
        || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_Y) != 8
        || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_Cb) != 8
        || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_Cr) != 8)
        return false;
    // The matrix and range the file names; without a description libheif's default (BT.601, full).
    int matrix = 6;
    bool fullRange = true;
    heif_color_profile_nclx *nclx = nullptr;
    if (heif_image_get_nclx_color_profile(image.get(), &nclx).code == heif_error_Ok && nclx != nullptr) {
        matrix = nclx->matrix_coefficients;
        fullRange = nclx->full_range_flag != 0;
    }
    heif_nclx_color_profile_free(nclx);
    double kr = 0, kb = 0;
    if (matrix == 1) // BT.709
        kr = 0.2126, kb = 0.0722;
    else if (matrix == 5 || matrix == 6 || matrix == 2) // BT.601 (and unspecified)
        kr = 0.299, kb = 0.114;
    else if (matrix == 9 || matrix == 10) // BT.2020
        kr = 0.2627, kb = 0.0593;
    else
        return false;
    int ys = 0, cbs = 0, crs = 0;
    const std::uint8_t *yp = heif_image_get_plane_readonly(image.get(), heif_channel_Y, &ys);
    const std::uint8_t *cbp = heif_image_get_plane_readonly(image.get(), heif_channel_Cb, &cbs);
    const std::uint8_t *crp = heif_image_get_plane_readonly(image.get(), heif_channel_Cr, &crs);
    const int width = heif_image_get_width(image.get(), heif_channel_Y);
    const int height = heif_image_get_height(image.get(), heif_channel_Y);
    const int cw = heif_image_get_width(image.get(), heif_channel_Cb);
    const int ch = heif_image_get_height(image.get(), heif_channel_Cb);
    if (yp == nullptr || cbp == nullptr || crp == nullptr || width < factor || height < factor || cw < 1
        || ch < 1)
        return false;
    const int ow = width / factor, oh = height / factor;
    if (out.Create(ow, oh, 24) != Status::Ok)
        return false;
    const double kg = 1.0 - kr - kb;
    const double ys255 = fullRange ? 1.0 : 255.0 / 219.0, cs255 = fullRange ? 1.0 : 255.0 / 224.0;
    const double yOffset = fullRange ? 0.0 : 16.0;
    std::vector<std::uint32_t> ySum(static_cast<std::size_t>(width)), cbSum(static_cast<std::size_t>(cw)),
        crSum(static_cast<std::size_t>(cw));
    auto clamp = [](double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v + 0.5)); };
    for (int oy = 0; oy < oh; ++oy) {
        std::fill(ySum.begin(), ySum.end(), 0u);
        std::fill(cbSum.begin(), cbSum.end(), 0u);
        std::fill(crSum.begin(), crSum.end(), 0u);
        for (int y = oy * factor; y < (oy + 1) * factor; ++y) {
            const std::uint8_t *row = yp + static_cast<std::size_t>(y) * static_cast<std::size_t>(ys);
            for (int x = 0; x < width; ++x)
                ySum[static_cast<std::size_t>(x)] += row[x];
        }
        const int cy0 = std::min(ch - 1, oy * factor / 2);
        const int cy1 = std::min(ch, std::max(cy0 + 1, (oy + 1) * factor / 2));
        for (int y = cy0; y < cy1; ++y) {
            const std::uint8_t *cbRow = cbp + static_cast<std::size_t>(y) * static_cast<std::size_t>(cbs);
            const std::uint8_t *crRow = crp + static_cast<std::size_t>(y) * static_cast<std::size_t>(crs);
            for (int x = 0; x < cw; ++x) {
                cbSum[static_cast<std::size_t>(x)] += cbRow[x];
                crSum[static_cast<std::size_t>(x)] += crRow[x];
            }
        }
        std::uint8_t *dst = out.RowFromTop(oy);
        for (int ox = 0; ox < ow; ++ox, dst += 3) {
            std::uint32_t yt = 0;
            for (int x = ox * factor; x < (ox + 1) * factor; ++x)
                yt += ySum[static_cast<std::size_t>(x)];
            const int cx0 = std::min(cw - 1, ox * factor / 2);
            const int cx1 = std::min(cw, std::max(cx0 + 1, (ox + 1) * factor / 2));
            std::uint32_t cbt = 0, crt = 0;
            for (int x = cx0; x < cx1; ++x) {
                cbt += cbSum[static_cast<std::size_t>(x)];
                crt += crSum[static_cast<std::size_t>(x)];
            }
            const double cn = static_cast<double>((cx1 - cx0) * (cy1 - cy0));
            const double yv = (static_cast<double>(yt) / (factor * factor) - yOffset) * ys255;
            const double cb = (cbt / cn - 128.0) * cs255, cr = (crt / cn - 128.0) * cs255;
            const double r = yv + 2 * (1 - kr) * cr;
            const double b = yv + 2 * (1 - kb) * cb;
            const double g = (yv - kr * r - kb * b) / kg;
            dst[0] = clamp(b);
            dst[1] = clamp(g);
            dst[2] = clamp(r);
        }
    }
    return true;
}

// The smallest stored thumbnail of at least the fitted size, or null.
Handle UsableThumbnail(heif_image_handle *handle, int fitWidth, int fitHeight)
{
    const int count = heif_image_handle_get_number_of_thumbnails(handle);
    if (count <= 0)
        return Handle();
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(handle, ids.data(), count);
    Handle best;
    for (heif_item_id id : ids) {
        heif_image_handle *t = nullptr;
        if (heif_image_handle_get_thumbnail(handle, id, &t).code != heif_error_Ok)
            continue;
        Handle thumb(t);
        const int w = heif_image_handle_get_width(t), h = heif_image_handle_get_height(t);
        if (w < fitWidth || h < fitHeight)
            continue;
        if (!best
            || static_cast<long long>(w) * h < static_cast<long long>(heif_image_handle_get_width(best.get()))
                    * heif_image_handle_get_height(best.get()))
            best = std::move(thumb);
    }
    return best;
}

heif_error Write(heif_context *, const void *data, std::size_t size, void *userdata)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(userdata);
    try {
        const auto *bytes = static_cast<const std::uint8_t *>(data);
        out->insert(out->end(), bytes, bytes + size);
    } catch (...) {
        return heif_error { heif_error_Memory_allocation_error, heif_suberror_Unspecified, "out of memory" };
    }
    return heif_error { heif_error_Ok, heif_suberror_Unspecified, "" };
}

} // namespace

HeifKind HeifBrand(Bytes head)
{
    if (head.size < 16 || std::memcmp(head.data + 4, "ftyp", 4) != 0)
        return HeifKind::None;
    std::size_t boxSize = (std::size_t(head.data[0]) << 24) | (std::size_t(head.data[1]) << 16)
        | (std::size_t(head.data[2]) << 8) | head.data[3];
    if (boxSize < 16)
        return HeifKind::None;
    boxSize = std::min(boxSize, head.size);
    bool heic = false, generic = false;
    for (std::size_t at = 8; at + 4 <= boxSize; at += 4) {
        if (at == 12)
            continue; // the minor version
        const char *brand = reinterpret_cast<const char *>(head.data + at);
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0)
            return HeifKind::Avif;
        for (const char *b : { "heic", "heix", "heim", "heis", "hevc", "hevx" })
            heic = heic || std::memcmp(brand, b, 4) == 0;
        generic = generic || std::memcmp(brand, "mif1", 4) == 0 || std::memcmp(brand, "msf1", 4) == 0;
    }
    return heic || generic ? HeifKind::Heic : HeifKind::None;
}

Status HeifLoad(Bytes file, int page, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
{
    Context ctx;
    Status s = OpenContext(file, ctx);
    Handle handle;
    if (s == Status::Ok)
        s = PageHandle(ctx.get(), page, handle);
    if (s != Status::Ok)
        return s;
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (static_cast<long long>(width) * height > FullPixelLimit())
        return Status::TooLarge;
    if (sourceInfo != nullptr)
        FullSizeInfo(width, height, sourceInfo);
    Picture pic;
    int fw = 0, fh = 0;
    Handle thumb;
    if (boxWidth > 0 && FitIntoBox(width, height, boxWidth, boxHeight, fw, fh))
        thumb = UsableThumbnail(handle.get(), fw, fh);
    heif_image_handle *source = thumb ? thumb.get() : handle.get();
    const int factor = boxWidth > 0 && fw > 0 && fh > 0
        ? std::min(heif_image_handle_get_width(source) / fw, heif_image_handle_get_height(source) / fh)
        : 1;
    if (factor >= 2 && DecodeShrunk(source, factor, pic)) {
        ToSrgb(source, pic);
        s = Status::Ok;
    } else {
        s = Decode(source, pic);
    }
    if (s == Status::Ok)
        out = std::move(pic);
    return s;
}

int HeifPageCount(Bytes file)
{
    Context ctx;
    if (OpenContext(file, ctx) != Status::Ok)
        return 0;
    return std::max(1, heif_context_get_number_of_top_level_images(ctx.get()));
}

Status HeifSaveAvif(const PictureView &view, const SaveOptions &options, std::vector<std::uint8_t> &out)
{
    out.clear();
    InitOnce();
    Context ctx(heif_context_alloc());
    if (!ctx)
        return Status::NoMemory;
    heif_encoder *encoder = nullptr;
    Status s = FromError(heif_context_get_encoder_for_format(ctx.get(), heif_compression_AV1, &encoder));
    if (s != Status::Ok)
        return Status::Unsupported;
    heif_encoder_set_lossy_quality(encoder, options.jpegQuality);
    heif_encoder_set_parameter_integer(encoder, "speed", 8); // quick; small gain from slower settings
    heif_image *raw = nullptr;
    s = FromError(
        heif_image_create(view.width, view.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &raw));
    Image image(raw);
    if (s == Status::Ok)
        s = FromError(
            heif_image_add_plane(image.get(), heif_channel_interleaved, view.width, view.height, 8));
    if (s == Status::Ok) {
        int stride = 0;
        std::uint8_t *plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(view.width) * 3);
        for (int y = 0; plane != nullptr && y < view.height; ++y) {
            view.RowBGR(y, row.data());
            std::uint8_t *dst = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
            for (std::size_t x = 0; x < row.size(); x += 3) {
                dst[x] = row[x + 2];
                dst[x + 1] = row[x + 1];
                dst[x + 2] = row[x];
            }
        }
        if (plane == nullptr)
            s = Status::NoMemory;
    }
    if (s == Status::Ok)
        s = FromError(heif_context_encode_image(ctx.get(), image.get(), encoder, nullptr, nullptr));
    heif_encoder_release(encoder);
    if (s == Status::Ok) {
        heif_writer writer { 1, Write };
        s = FromError(heif_context_write(ctx.get(), &writer, &out));
    }
    if (s != Status::Ok)
        out.clear();
    return s;
}

} // namespace codexa
