// AVIF (AV1 pictures in a HEIF container) through libheif: read and lossy write; pages as HEIC.
#include "codec/format.h"
#include "codec/heifio.h"

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".avif", nullptr };
const char *const kMimeTypes[] = { "image/avif", nullptr };

bool Probe(Bytes head, std::string_view)
{
    return HeifBrand(head) == HeifKind::Avif;
}

} // namespace

extern const FormatCodec kFormat_avif = MakeFormat("avif", 10, "AVIF", kExtensions, kMimeTypes,
    { .probe = Probe,
        .load = LoadUnboxed<HeifLoad>,
        .pageCount = HeifPageCount,
        .save = HeifSaveAvif,
        .loadReduced = LoadInBox<HeifLoad> });

} // namespace codexa
