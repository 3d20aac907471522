// WebP through libwebp: still pictures (scaled decode for thumbnails), animations with one page
// per composited frame, EXIF orientation; lossy writing, lossless at quality 100.
#include "codec/animation.h"
#include "codec/colour.h"
#include "codec/exif.h"
#include "codec/format.h"
#include "codec/orient.h"
#include "codec/resample.h"
#include "codec/rgba.h"

#include <cstring>
#include <memory>
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".webp", nullptr };
const char *const kMimeTypes[] = { "image/webp", nullptr };

bool Probe(Bytes head, std::string_view)
{
    return head.size >= 12 && std::memcmp(head.data, "RIFF", 4) == 0
        && std::memcmp(head.data + 8, "WEBP", 4) == 0;
}

struct DemuxDeleter {
    void operator()(WebPDemuxer *d) const { WebPDemuxDelete(d); }
};
using Demux = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

Demux Open(Bytes file)
{
    WebPData data { file.data, file.size };
    return Demux(WebPDemux(&data));
}

int Orientation(WebPDemuxer *demux)
{
    WebPChunkIterator chunk;
    if (demux == nullptr || !WebPDemuxGetChunk(demux, "EXIF", 1, &chunk))
        return 0;
    const int o = ExifOrientationAnyStart(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return o;
}

Status LoadFrame(Bytes file, int page, Picture &out)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return Status::Unsupported;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    {
        // The animation decoder allocates its whole canvas at once: check the size first.
        Demux demux = Open(file);
        if (!demux)
            return Status::Corrupt;
        const Status size = CheckSize(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH),
            WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
        if (size != Status::Ok)
            return size;
    }
    WebPData data { file.data, file.size };
    WebPAnimDecoder *decoder = WebPAnimDecoderNew(&data, &options);
    if (decoder == nullptr)
        return Status::Corrupt;
    WebPAnimInfo info;
    Status s = WebPAnimDecoderGetInfo(decoder, &info) ? CheckSize(info.canvas_width, info.canvas_height)
                                                      : Status::Corrupt;
    if (s == Status::Ok && static_cast<std::uint32_t>(page) >= info.frame_count)
        s = Status::BadPage;
    std::uint8_t *frame = nullptr;
    int timestamp = 0;
    for (int i = 0; s == Status::Ok && i <= page; ++i)
        if (!WebPAnimDecoderGetNext(decoder, &frame, &timestamp))
            s = Status::Corrupt;
    if (s == Status::Ok)
        s = PictureFromRows(frame, std::size_t(info.canvas_width) * 4, static_cast<int>(info.canvas_width),
            static_cast<int>(info.canvas_height), PixelOrder::Bgra, out);
    WebPAnimDecoderDelete(decoder);
    return s;
}

// A still picture, scaled to width × height when they differ from the file's size.
Status LoadStill(Bytes file, const WebPBitstreamFeatures &features, int width, int height, Picture &out)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Status::Unsupported;
    if (width != features.width || height != features.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
        // Shrunk four times or more (thumbnails): the in-loop filter and the smooth chroma
        // upsampling change nothing that survives the averaging, and skipping them saves a
        // quarter of the decode.
        if (static_cast<long long>(width) * 4 <= features.width
            && static_cast<long long>(height) * 4 <= features.height) {
            config.options.bypass_filtering = 1;
            config.options.no_fancy_upsampling = 1;
        }
    }
    Status s = CheckSize(width, height);
    if (s != Status::Ok)
        return s;
    if (!features.has_alpha) {
        // Straight into the picture's rows, bottom-up.
        s = out.Create(width, height, 24);
        if (s != Status::Ok)
            return s;
        config.options.flip = 1;
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = out.pixels();
        config.output.u.RGBA.stride = static_cast<int>(out.stride());
        config.output.u.RGBA.size = out.stride() * static_cast<std::size_t>(height);
        const VP8StatusCode code = WebPDecode(file.data, file.size, &config);
        if (code == VP8_STATUS_OK)
            return Status::Ok;
        if (code == VP8_STATUS_NOT_ENOUGH_DATA) {
            out.damaged = true; // the rows decoded before the end are there
            return Status::Ok;
        }
        out.Reset();
        return code == VP8_STATUS_OUT_OF_MEMORY ? Status::NoMemory : Status::Corrupt;
    }
    config.output.colorspace = MODE_BGRA;
    const VP8StatusCode code = WebPDecode(file.data, file.size, &config);
    if (code == VP8_STATUS_OK)
        s = PictureFromRows(config.output.u.RGBA.rgba, static_cast<std::size_t>(config.output.u.RGBA.stride),
            width, height, PixelOrder::Bgra, out);
    else
        s = code == VP8_STATUS_OUT_OF_MEMORY ? Status::NoMemory : Status::Corrupt;
    WebPFreeDecBuffer(&config.output);
    return s;
}

Status Decode(Bytes file, int page, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.data, file.size, &features) != VP8_STATUS_OK)
        return Status::Corrupt;
    Demux demux = Open(file);
    const int orientation = features.has_animation ? 0 : Orientation(demux.get());
    const bool swap = OrientationTransposes(orientation);
    Picture pic;
    Status s;
    if (features.has_animation) {
        s = LoadFrame(file, page < 0 ? 0 : page, pic);
        if (s == Status::Ok && sourceInfo != nullptr)
            FullSizeInfo(pic.width(), pic.height(), sourceInfo);
    } else {
        if (page > 0)
            return Status::BadPage;
        int w = features.width, h = features.height;
        if (Status limit = CheckSize(w, h); limit != Status::Ok && boxWidth <= 0)
            return limit;
        if (static_cast<long long>(w) * h > FullPixelLimit())
            return Status::TooLarge;
        if (sourceInfo != nullptr)
            FullSizeInfo(swap ? h : w, swap ? w : h, sourceInfo);
        if (boxWidth > 0) {
            int fw = 0, fh = 0;
            if (!FitIntoBox(swap ? h : w, swap ? w : h, boxWidth, boxHeight, fw, fh))
                return Status::Corrupt;
            w = swap ? fh : fw;
            h = swap ? fw : fh;
        }
        s = LoadStill(file, features, w, h, pic);
        if (s == Status::Ok)
            s = ApplyOrientation(pic, orientation);
    }
    if (s == Status::Ok) {
        WebPChunkIterator chunk;
        if (demux != nullptr && WebPDemuxGetChunk(demux.get(), "ICCP", 1, &chunk)) {
            IccToSrgb(pic, chunk.chunk.bytes, chunk.chunk.size);
            WebPDemuxReleaseChunkIterator(&chunk);
        }
        out = std::move(pic);
    }
    return s;
}

int PageCount(Bytes file)
{
    Demux demux = Open(file);
    if (demux == nullptr)
        return 0;
    const std::uint32_t frames = WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT);
    return frames > 0 ? static_cast<int>(frames) : 1;
}

Status Save(const PictureView &view, const SaveOptions &options, std::vector<std::uint8_t> &out)
{
    out.clear();
    if (view.width > WEBP_MAX_DIMENSION || view.height > WEBP_MAX_DIMENSION)
        return Status::TooLarge;
    std::vector<std::uint8_t> rgb;
    if (!TopDownRgb(view, rgb))
        return Status::NoMemory;
    std::uint8_t *encoded = nullptr;
    const int stride = view.width * 3;
    const std::size_t size = options.jpegQuality >= 100
        ? WebPEncodeLosslessRGB(rgb.data(), view.width, view.height, stride, &encoded)
        : WebPEncodeRGB(
            rgb.data(), view.width, view.height, stride, static_cast<float>(options.jpegQuality), &encoded);
    if (size == 0 || encoded == nullptr) {
        WebPFree(encoded);
        return Status::NoMemory;
    }
    try {
        out.assign(encoded, encoded + size);
    } catch (...) {
        WebPFree(encoded);
        return Status::NoMemory;
    }
    WebPFree(encoded);
    return Status::Ok;
}

} // namespace

bool WebpAnimation(Bytes file, Animation &out)
{
    out = Animation {};
    Demux demux = Open(file);
    if (demux == nullptr || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG))
        return false;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demux.get(), 1, &frame)) {
        do
            out.delaysMs.push_back(DisplayDelay(frame.duration));
        while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    out.loops = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_LOOP_COUNT));
    return out.delaysMs.size() > 1;
}

extern const FormatCodec kFormat_webp = MakeFormat("webp", 9, "WebP", kExtensions, kMimeTypes,
    { .probe = Probe,
        .load = LoadUnboxed<Decode>,
        .pageCount = PageCount,
        .save = Save,
        .loadReduced = LoadInBox<Decode> });

} // namespace codexa
