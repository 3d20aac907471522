// AVIF (AV1 pictures in a HEIF container) through libheif: read and lossy write; pages as HEIC.
#include "codec/format.h"
#include "codec/heifio.h"

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".avif", nullptr };
const char *const kMimeTypes[] = { "image/avif", nullptr };

} // namespace

extern const FormatCodec kFormat_avif
    = MakeFormat("avif", 10, "AVIF", kExtensions, kMimeTypes, HeifFunctions<HeifKind::Avif>(HeifSaveAvif));

} // namespace codexa
