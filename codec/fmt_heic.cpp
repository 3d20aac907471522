// HEIC (HEVC pictures in a HEIF container) through libheif: read only; every top-level picture
// of a collection is a page, the primary one the default page.
#include "codec/format.h"
#include "codec/heifio.h"

namespace codexa
{

namespace
{

const char *const kExtensions[] = { ".heic", ".heif", ".hif", nullptr };
const char *const kMimeTypes[] = { "image/heic", "image/heif", nullptr };

} // namespace

extern const FormatCodec kFormat_heic
    = MakeFormat("heic", 11, "HEIC", kExtensions, kMimeTypes, HeifFunctions<HeifKind::Heic>());

} // namespace codexa
