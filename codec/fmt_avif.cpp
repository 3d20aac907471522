// AVIF (AV1 pictures in a HEIF container) through libheif: read and lossy write; pages as HEIC.
#include "codec/format.h"
#include "codec/heifio.h"

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".avif", nullptr };

bool Probe(Bytes head, std::string_view)
{
    return HeifBrand(head) == HeifKind::Avif;
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

const char *const kMimeTypes_avif[] = { "image/avif", nullptr };

extern const FormatCodec kFormat_avif = {
    "avif",
    kExtensions,
    10,
    Probe,
    Load,
    HeifPageCount,
    HeifSaveAvif,
    LoadReduced,
    10,
    "AVIF",
    kMimeTypes_avif,
};

} // namespace codexa
