// Thumbnail cache reader: a file either decodes or is refused; what decodes writes back to the
// same records (surplus bytes dropped), and that image decodes to itself again.
#include "browser/thumbcachefile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ThumbItemList items;
    if (!ParseThumbCache(data, size, "browseimage", items))
        return 0;
    std::vector<std::uint8_t> once = MakeThumbCache("browseimage", items);
    ThumbItemList again;
    if (!ParseThumbCache(once.data(), once.size(), "browseimage", again))
        std::abort();
    std::vector<std::uint8_t> twice = MakeThumbCache("browseimage", again);
    if (once != twice)
        std::abort();
    return 0;
}
