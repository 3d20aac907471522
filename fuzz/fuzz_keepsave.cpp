// The readers behind saves that keep what a file holds, on arbitrary bytes: the transparency
// test, the JPEG segments kept (with the EXIF orientation rewritten), their insertion into a
// JPEG, and the lossless transform. Each either refuses or gives a well-formed result.
#include "codec/keepsave.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <turbojpeg.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace codexa;
    const Bytes file { data, size };
    (void)HasTransparency(file);
    const std::vector<std::uint8_t> kept = KeptJpegSegments(file);
    if (!kept.empty() && (kept.size() > size || kept[0] != 0xFF))
        std::abort();
    const std::vector<std::uint8_t> joined = WithSegments(file, kept);
    if (!joined.empty() && joined.size() != size + kept.size())
        std::abort();
    if (size > 0 && size < (1u << 16)) {
        std::vector<std::uint8_t> out;
        const int op = data[0] % 8;
        if (TransformJpeg(file, op == 0 ? TJXOP_NONE : op, out) == Status::Ok && out.empty())
            std::abort();
    }
    return 0;
}
