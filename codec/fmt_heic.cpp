// HEIC (HEVC pictures in a HEIF container) through libheif: read only; every top-level picture
// of a collection is a page, the primary one the default page.
#include "codec/format.h"
#include "codec/heifio.h"

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".heic", ".heif", ".hif", nullptr };

bool Probe(Bytes head, std::string_view)
{
    return HeifBrand(head) == HeifKind::Heic;
}

Status Load(Bytes file, int page, Picture &out)
{
    return HeifLoad(file, page, 0, 0, out, nullptr);
}

Status LoadReduced(Bytes file, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo)
{
    return HeifLoad(file, -1, boxWidth > 0 ? boxWidth : 1, boxHeight > 0 ? boxHeight : 1, out, sourceInfo);
}

} // namespace

const char *const kMimeTypes_heic[] = { "image/heic", "image/heif", nullptr };

extern const FormatCodec kFormat_heic = {
    "heic",
    kExtensions,
    10,
    Probe,
    Load,
    HeifPageCount,
    nullptr,
    LoadReduced,
    11,
    "HEIC",
    kMimeTypes_heic,
};

} // namespace codexa
