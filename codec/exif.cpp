#include "codec/exif.h"

#include <cstring>
#include <vector>

namespace codexa
{

int ExifOrientation(const std::uint8_t *data, std::size_t size)
{
    if (data == nullptr || size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 0;
    const std::uint8_t *t = data + 6; // TIFF header
    const std::size_t n = size - 6;
    bool little;
    if (t[0] == 'I' && t[1] == 'I')
        little = true;
    else if (t[0] == 'M' && t[1] == 'M')
        little = false;
    else
        return 0;
    auto u16 = [&](std::size_t at) -> unsigned {
        return little ? (t[at] | (t[at + 1] << 8)) : ((t[at] << 8) | t[at + 1]);
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? (std::uint32_t(t[at]) | (std::uint32_t(t[at + 1]) << 8)
                   | (std::uint32_t(t[at + 2]) << 16) | (std::uint32_t(t[at + 3]) << 24))
                      : ((std::uint32_t(t[at]) << 24) | (std::uint32_t(t[at + 1]) << 16)
                          | (std::uint32_t(t[at + 2]) << 8) | std::uint32_t(t[at + 3]));
    };
    if (u16(2) != 42)
        return 0;
    std::uint32_t ifd = u32(4);
    if (ifd > n || n - ifd < 2)
        return 0;
    unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        std::size_t entry = ifd + 2 + std::size_t(i) * 12;
        if (entry + 12 > n)
            return 0;
        if (u16(entry) != 0x0112)
            continue;
        unsigned type = u16(entry + 2);
        unsigned value = type == 3 ? u16(entry + 8) : (type == 4 ? u32(entry + 8) : 0);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}

int ExifOrientationAnyStart(const std::uint8_t *data, std::size_t size)
{
    if (data != nullptr && size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0)
        return ExifOrientation(data, size);
    std::vector<std::uint8_t> block(6 + size);
    std::memcpy(block.data(), "Exif\0\0", 6);
    if (size > 0)
        std::memcpy(block.data() + 6, data, size);
    return ExifOrientation(block.data(), block.size());
}

} // namespace codexa
