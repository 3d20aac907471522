// The EXIF reader on any bytes: JPEG, TIFF, PNG, WebP, HEIF and JPEG XL containers.
#include "image/photoinfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const PhotoInfo info = ReadPhotoInfo(data, size);
    if (info.hasGps)
        (void)MapLink(info.latitude, info.longitude);
    return 0;
}
