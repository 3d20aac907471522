#include "browser/codexacodec.h"

#include "codec/codexa.h"

namespace
{

class CodexaCodec : public ThumbCodec
{
public:
    int FormatTest(const char *path) const override { return CodexaFormatTest(path); }
    int LoadThumbnail(void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box,
        RECT rect, int flags) const override
    {
        return CodexaLoadThumbnail(thumbInfo, bits, srcInfo, path, box, rect, flags);
    }
    std::string ReadableExtensions() const override { return CodexaReadableExtensions(); }
};

} // namespace

const ThumbCodec &CodexaThumbCodec()
{
    static const CodexaCodec codec;
    return codec;
}
