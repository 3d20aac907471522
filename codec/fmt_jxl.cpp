// JPEG XL through libjxl: read only, the first frame, orientation applied by the decoder, pictures
// coded in the decoder's own colour space delivered as sRGB.
#include "codec/colour.h"
#include "codec/format.h"
#include "codec/rgba.h"

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>
#include <memory>

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".jxl", nullptr };
const char *const kMimeTypes[] = { "image/jxl", nullptr };

bool Probe(Bytes head, std::string_view)
{
    const JxlSignature sig = JxlSignatureCheck(head.data, head.size);
    return sig == JXL_SIG_CODESTREAM || sig == JXL_SIG_CONTAINER;
}

struct DecoderDeleter {
    void operator()(JxlDecoder *d) const { JxlDecoderDestroy(d); }
};
struct RunnerDeleter {
    void operator()(void *r) const { JxlThreadParallelRunnerDestroy(r); }
};

Status Load(Bytes file, int page, Picture &out)
{
    if (page > 0)
        return Status::BadPage;
    std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
    if (!dec)
        return Status::NoMemory;
    std::unique_ptr<void, RunnerDeleter> runner(
        JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads()));
    if (runner != nullptr)
        JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get());
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE)
        != JXL_DEC_SUCCESS)
        return Status::Unsupported;
    JxlDecoderSetInput(dec.get(), file.data, file.size);
    JxlDecoderCloseInput(dec.get());
    const JxlPixelFormat format { 4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0 };
    JxlBasicInfo info {};
    std::vector<std::uint8_t> rgba, icc;
    int width = 0, height = 0;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(dec.get());
        switch (status) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS)
                return Status::Corrupt;
            const bool swap = info.orientation >= JXL_ORIENT_TRANSPOSE;
            width = static_cast<int>(swap ? info.ysize : info.xsize);
            height = static_cast<int>(swap ? info.xsize : info.ysize);
            if (Status s = CheckSize(swap ? info.ysize : info.xsize, swap ? info.xsize : info.ysize);
                s != Status::Ok)
                return s;
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            if (info.uses_original_profile) {
                // Pixels in the file's own space: its profile converts them.
                std::size_t size = 0;
                if (JxlDecoderGetICCProfileSize(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size)
                        == JXL_DEC_SUCCESS
                    && size > 0 && size < (std::size_t(64) << 20)) {
                    icc.resize(size);
                    if (JxlDecoderGetColorAsICCProfile(
                            dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, icc.data(), size)
                        != JXL_DEC_SUCCESS)
                        icc.clear();
                }
            } else {
                // Coded in the decoder's own space: it converts to sRGB itself.
                JxlColorEncoding srgb;
                JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels < 3);
                JxlDecoderSetPreferredColorProfile(dec.get(), &srgb);
            }
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t size = 0;
            if (JxlDecoderImageOutBufferSize(dec.get(), &format, &size) != JXL_DEC_SUCCESS
                || size != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4)
                return Status::Corrupt;
            try {
                rgba.resize(size);
            } catch (...) {
                return Status::NoMemory;
            }
            if (JxlDecoderSetImageOutBuffer(dec.get(), &format, rgba.data(), size) != JXL_DEC_SUCCESS)
                return Status::Corrupt;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
        case JXL_DEC_SUCCESS:
            if (rgba.empty())
                return Status::Corrupt;
            {
                const Status s = PictureFromRows(
                    rgba.data(), static_cast<std::size_t>(width) * 4, width, height, PixelOrder::Rgba, out);
                if (s == Status::Ok && !icc.empty())
                    IccToSrgb(out, icc.data(), icc.size());
                return s;
            }
        case JXL_DEC_NEED_MORE_INPUT:
        case JXL_DEC_ERROR:
        default:
            return Status::Corrupt;
        }
    }
}

} // namespace

extern const FormatCodec kFormat_jxl
    = MakeFormat("jxl", 12, "JPEG XL", kExtensions, kMimeTypes, { .probe = Probe, .load = Load });

} // namespace codexa
