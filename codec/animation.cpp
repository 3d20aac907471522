#include "codec/animation.h"

#include "codec/dispatch.h"

#include <cstring>

namespace codexa
{

int DisplayDelay(int fileDelayMs)
{
    return fileDelayMs <= 10 ? kDefaultDelayMs : fileDelayMs;
}

bool GifAnimation(Bytes file, Animation &out)
{
    out = Animation {};
    Reader r(file);
    const std::uint8_t *sig = r.Take(6);
    if (sig == nullptr || (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0))
        return false;
    r.Skip(4);
    const std::uint8_t flags = r.U8();
    r.Skip(2);
    if (flags & 0x80)
        r.Skip(3u << ((flags & 7) + 1));
    auto skipBlocks = [&r] {
        for (;;) {
            const std::uint8_t n = r.U8();
            if (!r.ok() || n == 0)
                return r.ok();
            if (!r.Skip(n))
                return false;
        }
    };
    int delay = 0;
    bool looping = false;
    while (r.ok()) {
        const std::uint8_t type = r.U8();
        if (!r.ok() || type == 0x3B)
            break;
        if (type == 0x21) {
            const std::uint8_t label = r.U8();
            if (label == 0xF9) {
                const std::uint8_t n = r.U8();
                const std::uint8_t *b = r.Take(n);
                if (b != nullptr && n >= 3)
                    delay = (b[1] | (b[2] << 8)) * 10;
            } else if (label == 0xFF) {
                const std::uint8_t n = r.U8();
                const std::uint8_t *id = r.Take(n);
                if (id != nullptr && n == 11
                    && (std::memcmp(id, "NETSCAPE2.0", 11) == 0 || std::memcmp(id, "ANIMEXTS1.0", 11) == 0)) {
                    const std::uint8_t m = r.U8();
                    const std::uint8_t *sub = r.Take(m);
                    if (sub != nullptr && m >= 3 && sub[0] == 1) {
                        const int count = sub[1] | (sub[2] << 8);
                        // The count is of repeats after the first play; 0 repeats forever.
                        out.loops = count == 0 ? 0 : count + 1;
                        looping = true;
                    }
                }
            }
            if (!skipBlocks())
                break;
        } else if (type == 0x2C) {
            r.Skip(8);
            const std::uint8_t imageFlags = r.U8();
            if (imageFlags & 0x80)
                r.Skip(3u << ((imageFlags & 7) + 1));
            r.U8(); // LZW minimum code size
            if (!skipBlocks())
                break;
            out.delaysMs.push_back(DisplayDelay(delay));
            delay = 0;
        } else {
            break;
        }
    }
    if (!looping)
        out.loops = 1;
    return out.delaysMs.size() > 1;
}

bool AnimationFromMemory(Bytes file, std::string_view extension, Animation &out)
{
    out = Animation {};
    const FormatCodec *f = DetectFormat(file, extension);
    if (f == nullptr)
        return false;
    if (std::strcmp(f->name, "gif") == 0)
        return GifAnimation(file, out);
#ifdef CODEXA_HAVE_WEBP
    if (std::strcmp(f->name, "webp") == 0)
        return WebpAnimation(file, out);
#endif
    return false;
}

} // namespace codexa
