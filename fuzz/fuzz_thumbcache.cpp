// Thumbnail cache reader: a file either decodes or is refused; what decodes writes back to the
// same records (surplus bytes dropped), and that image decodes to itself again.
#include "browser/thumbcachefile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Read the way the grid reads a cache file: the items share the bytes they came from.
    std::shared_ptr<std::uint8_t> shared(new std::uint8_t[size + 1], std::default_delete<std::uint8_t[]>());
    if (size != 0)
        std::memcpy(shared.get(), data, size);
    ThumbItemList items;
    if (!ParseThumbCache(std::shared_ptr<const std::uint8_t>(shared), size, "browseimage", items))
        return 0;
    shared.reset();
    std::vector<std::uint8_t> once = MakeThumbCache("browseimage", items);
    ThumbItemList again;
    if (!ParseThumbCache(once.data(), once.size(), "browseimage", again))
        std::abort();
    std::vector<std::uint8_t> twice = MakeThumbCache("browseimage", again);
    if (once != twice)
        std::abort();
    return 0;
}
