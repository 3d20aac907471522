// The encoders under the fuzzer: whatever input decodes is saved in every writable format and
// loaded back. Each save either refuses or gives a file its own decoder reads whole, at the same
// size; the lossless formats give back every pixel.
#include "codec/dispatch.h"
#include "codec/format.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace
{

using namespace codexa;

bool Lossless(std::string_view name, int bitCount)
{
    return name == "bmp" || name == "png" || name == "tiff" || name == "tga" || name == "pcx"
        || (name == "gif" && bitCount <= 8);
}

bool SamePixels(const PictureView &a, const PictureView &b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    std::vector<std::uint8_t> ra(static_cast<std::size_t>(a.width) * 3), rb(ra.size());
    for (int y = 0; y < a.height; ++y) {
        a.RowBGR(y, ra.data());
        b.RowBGR(y, rb.data());
        if (ra != rb)
            return false;
    }
    return true;
}

[[noreturn]] void Fail(const char *what, const char *format, const PictureView &view)
{
    std::fprintf(stderr, "%s: %s, %d x %d, %d bits, %d colours\n", format, what, view.width, view.height,
        view.bitCount, view.paletteSize);
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Small inputs keep every encoder quick.
    SetPixelLimit(1ll << 16);
    if (size < 2)
        return 0;
    static const char *const kExtensions[]
        = { "", ".bmp", ".jpg", ".gif", ".tga", ".pcx", ".tif", ".img", ".mac", ".png" };
    const char *ext = kExtensions[data[0] % 10];
    SaveOptions options;
    options.jpegQuality = 1 + data[1] % 100;
    Picture pic;
    if (LoadFromMemory(Bytes { data + 2, size - 2 }, ext, -1, pic) != Status::Ok)
        return 0;
    // Every encoder costs some microseconds a row: very tall pictures only slow the search.
    if (pic.height() > 4096)
        return 0;
    SetPixelLimit(1ll << 20); // room for the fixed 576 x 720 of MacPaint
    PictureView view;
    if (!PictureView::From(&pic.info, pic.bits, view))
        Fail("decoded picture refused", "load", view); // a decoder handed out a picture the library refuses
    for (const FormatCodec *format : AllFormats()) {
        if (format->save == nullptr)
            continue;
        std::vector<std::uint8_t> file;
        if (format->save(view, options, file) != Status::Ok)
            continue;
        Picture back;
        if (format->load(Bytes { file.data(), file.size() }, -1, back) != Status::Ok || back.damaged)
            Fail("written but not readable", format->name, view);
        PictureView again;
        if (!PictureView::From(&back.info, back.bits, again))
            Fail("read back as a picture the library refuses", format->name, view);
        const bool fixedSize = std::strcmp(format->name, "mac") == 0;
        if (!fixedSize && (again.width != view.width || again.height != view.height))
            Fail("read back at another size", format->name, view);
        if (Lossless(format->name, view.bitCount) && !SamePixels(view, again))
            Fail("read back with other pixels", format->name, view);
    }
    return 0;
}
