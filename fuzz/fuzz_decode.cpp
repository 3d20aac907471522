// One decoder under the fuzzer: CODEXA_FUZZ_FORMAT names the format (as in AllFormats), or
// "detect" for the format test. Every input also goes through the page count, another page and
// the reduced decode where the format has them.
#include "codec/dispatch.h"
#include "codec/format.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#ifndef CODEXA_FUZZ_FORMAT
#error "CODEXA_FUZZ_FORMAT must name a format"
#endif

namespace
{

const codexa::FormatCodec *Target()
{
    static const codexa::FormatCodec *format = [] {
        codexa::SetPixelLimit(1ll << 22); // keeps each run quick and well inside the memory limit
        return codexa::FormatByName(CODEXA_FUZZ_FORMAT);
    }();
    return format;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace codexa;
    const Bytes bytes { data, size };
    if (std::strcmp(CODEXA_FUZZ_FORMAT, "detect") == 0) {
        // The first byte picks the extension: none, or the first one of a registered format.
        static const std::vector<const char *> kExtensions = [] {
            std::vector<const char *> list { "" };
            for (const FormatCodec *f : FormatsByNumber())
                list.push_back(f->extensions[0]);
            return list;
        }();
        const char *ext = kExtensions[size > 0 ? data[0] % kExtensions.size() : 0];
        DetectFormat(bytes, ext);
        SetPixelLimit(1ll << 22);
        Picture pic;
        LoadFromMemory(bytes, ext, -1, pic);
        return 0;
    }
    const FormatCodec *format = Target();
    if (format == nullptr)
        return 0;
    Picture pic;
    format->load(bytes, -1, pic);
    if (format->pageCount != nullptr && format->pageCount(bytes) > 1) {
        Picture second;
        format->load(bytes, 1, second);
    }
    if (format->loadReduced != nullptr) {
        Picture small;
        DibInfoBlock info {};
        format->loadReduced(bytes, 16, 16, small, &info);
    }
    return 0;
}
