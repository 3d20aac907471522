// The C entry points (ordinals 2, 3, 4, 7, 9, 10, 15) over the dispatcher.
#include "codec/codexa.h"

#include "codec/animation.h"
#include "codec/dispatch.h"
#include "codec/fileio.h"
#include "codec/resample.h"
#include "platform/paths.h"

#include <cstring>

namespace codexa
{

namespace
{

std::string NormalisedExtension(std::string_view extension)
{
    std::string e = ToLowerAscii(extension);
    if (!e.empty() && e[0] != '.')
        e.insert(e.begin(), '.');
    return e;
}

bool HasExtension(const FormatCodec *f, const std::string &dotted)
{
    for (const char *const *e = f->extensions; e != nullptr && *e != nullptr; ++e)
        if (dotted == *e)
            return true;
    return false;
}

// Files are read into a buffer kept per thread, so a folder of pictures reuses one block.
FileBuffer &ThreadBuffer()
{
    thread_local FileBuffer buffer;
    return buffer;
}

void TrimThreadBuffer()
{
    ThreadBuffer().Trim(std::size_t(64) << 20);
}

Bytes AsBytes(const std::vector<std::uint8_t> &v)
{
    return Bytes { v.data(), v.size() };
}

} // namespace

const FormatCodec *FormatByName(std::string_view name)
{
    for (const FormatCodec *f : AllFormats())
        if (name == f->name)
            return f;
    return nullptr;
}

const FormatCodec *FormatByExtension(std::string_view extension)
{
    std::string dotted = NormalisedExtension(extension);
    for (const FormatCodec *f : AllFormats())
        if (HasExtension(f, dotted))
            return f;
    return FormatByName(ToLowerAscii(extension));
}

int FormatNumber(const FormatCodec *format)
{
    return format != nullptr ? format->number : -1;
}

const FormatCodec *FormatByNumber(int number)
{
    for (const FormatCodec *f : AllFormats())
        if (f->number == number)
            return f;
    return nullptr;
}

const FormatCodec *DetectFormat(Bytes head, std::string_view extension)
{
    if (head.size > kProbeBytes)
        head.size = kProbeBytes;
    std::string dotted = NormalisedExtension(extension);
    for (const FormatCodec *f : AllFormats())
        if (f->probe != nullptr && f->probe(head, dotted))
            return f;
    return nullptr;
}

Status LoadFromMemory(Bytes file, std::string_view extension, int page, Picture &out)
{
    if (page < -1)
        return Status::BadPage;
    Bytes head { file.data, file.size < kProbeBytes ? file.size : kProbeBytes };
    std::string dotted = NormalisedExtension(extension);
    Status result = Status::NotThisFormat;
    for (const FormatCodec *f : AllFormats()) {
        if (f->probe == nullptr || !f->probe(head, dotted))
            continue;
        Picture pic;
        Status s = f->load(file, page, pic);
        if (s == Status::Ok) {
            out = std::move(pic);
            return s;
        }
        if (s != Status::NotThisFormat)
            return s;
    }
    return result;
}

int PageCountFromMemory(Bytes file, std::string_view extension)
{
    const FormatCodec *f = DetectFormat(file, extension);
    if (f == nullptr)
        return 0;
    return f->pageCount != nullptr ? f->pageCount(file) : 1;
}

Status SaveToMemory(const PictureView &picture, std::string_view format, const SaveOptions &options,
    std::vector<std::uint8_t> &out)
{
    const FormatCodec *f = FormatByExtension(format);
    if (f == nullptr || f->save == nullptr)
        return Status::Unsupported;
    try {
        return f->save(picture, options, out);
    } catch (...) {
        return Status::NoMemory;
    }
}

Status LoadReducedFromMemory(
    Bytes file, std::string_view extension, int boxWidth, int boxHeight, Picture &out, DibInfoBlock &source)
{
    if (boxWidth <= 0 || boxHeight <= 0)
        return Status::Corrupt;
    const FormatCodec *f = DetectFormat(file, extension);
    if (f == nullptr)
        return Status::NotThisFormat;
    if (f->loadReduced != nullptr)
        return f->loadReduced(file, boxWidth, boxHeight, out, &source);
    Status s = LoadFromMemory(file, extension, -1, out);
    if (s == Status::Ok)
        std::memcpy(&source, &out.info, sizeof source);
    return s;
}

Status ThumbnailFromMemory(
    Bytes file, std::string_view extension, int boxWidth, int boxHeight, Picture &thumb, DibInfoBlock &source)
{
    ThumbnailScope scope;
    // The reduced decode lands in a block kept per thread; a folder of thumbnails reuses it.
    thread_local Picture full;
    DibInfoBlock info {};
    Status s = LoadReducedFromMemory(file, extension, boxWidth, boxHeight, full, info);
    if (s != Status::Ok)
        return s;
    int tw = 0, th = 0;
    if (!FitIntoBox(info.bmiHeader.biWidth, info.bmiHeader.biHeight, boxWidth, boxHeight, tw, th))
        return Status::Corrupt;
    PictureView view;
    if (!PictureView::From(&full.info, full.bits, view))
        return Status::Corrupt;
    Picture small;
    s = ResamplePicture(view, tw, th, RECT { 0, 0, tw, th }, true, small);
    if (GlobalSize(full.bits) > (std::size_t(16) << 20))
        full.Reset(); // only small blocks are worth keeping
    if (s != Status::Ok)
        return s;
    small.SetResolution(0, 0);
    thumb = std::move(small);
    source = info;
    return Status::Ok;
}

Status LoadFile(const char *path, int page, Picture &out)
{
    FileBuffer &buffer = ThreadBuffer();
    Status s = buffer.Read(path);
    if (s == Status::Ok)
        s = LoadFromMemory(buffer.bytes(), PathExtension(path), page, out);
    TrimThreadBuffer();
    return s;
}

int PageCountFile(const char *path)
{
    FileBuffer &buffer = ThreadBuffer();
    int n = buffer.Read(path) == Status::Ok ? PageCountFromMemory(buffer.bytes(), PathExtension(path)) : 0;
    TrimThreadBuffer();
    return n;
}

Status SaveFile(
    const char *path, const PictureView &picture, std::string_view format, const SaveOptions &options)
{
    if (path == nullptr || *path == '\0')
        return Status::IoError;
    std::string ext = format.empty() ? PathExtension(path) : std::string(format);
    std::vector<std::uint8_t> bytes;
    Status s = SaveToMemory(picture, ext, options, bytes);
    if (s != Status::Ok)
        return s;
    return WriteFileAtomically(path, AsBytes(bytes));
}

Status LoadReducedFile(const char *path, int boxWidth, int boxHeight, Picture &out, DibInfoBlock &source)
{
    FileBuffer &buffer = ThreadBuffer();
    Status s = buffer.Read(path);
    if (s == Status::Ok)
        s = LoadReducedFromMemory(buffer.bytes(), PathExtension(path), boxWidth, boxHeight, out, source);
    TrimThreadBuffer();
    return s;
}

Status ThumbnailFile(const char *path, int boxWidth, int boxHeight, Picture &thumb, DibInfoBlock &source)
{
    ThumbnailScope scope;
    FileBuffer &buffer = ThreadBuffer();
    Status s = buffer.Read(path, kThumbnailFileLimit + 1);
    if (s == Status::Ok && buffer.bytes().size > kThumbnailFileLimit)
        s = Status::TooLarge;
    if (s == Status::Ok)
        s = ThumbnailFromMemory(buffer.bytes(), PathExtension(path), boxWidth, boxHeight, thumb, source);
    TrimThreadBuffer();
    return s;
}

const FormatCodec *DetectFile(const char *path)
{
    FileBuffer head;
    if (head.Read(path, kProbeBytes) != Status::Ok)
        return nullptr;
    return DetectFormat(head.bytes(), PathExtension(path));
}

SaveOptions OptionsFromBlock(const void *block)
{
    SaveOptions options;
    if (block != nullptr) {
        const auto *b = static_cast<const std::uint8_t *>(block);
        int q = b[54] | (b[55] << 8);
        if (q >= 1 && q <= 100)
            options.jpegQuality = q;
    }
    return options;
}

} // namespace codexa

using namespace codexa;

extern "C" {

CODEXA_API int CodexaLoadPageEx(HGLOBAL *bits, void *info, const char *path, int page, int *damaged)
{
    if (damaged != nullptr)
        *damaged = 0;
    if (bits == nullptr)
        return 0;
    *bits = nullptr;
    if (info == nullptr || path == nullptr)
        return 0;
    try {
        Picture pic;
        if (LoadFile(path, page, pic) != Status::Ok)
            return 0;
        if (damaged != nullptr)
            *damaged = pic.damaged ? 1 : 0;
        pic.Release(bits, info);
        return 1;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaLoadPage(HGLOBAL *bits, void *info, const char *path, int page)
{
    return CodexaLoadPageEx(bits, info, path, page, nullptr);
}

CODEXA_API int CodexaPageCount(const char *path)
{
    if (path == nullptr)
        return 0;
    try {
        return PageCountFile(path);
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaSave(
    const char *path, const void *info, const void *bits, const char *format, const void *options)
{
    if (path == nullptr)
        return 0;
    try {
        PictureView view;
        if (!PictureView::From(info, bits, view))
            return 0;
        return SaveFile(path, view, format != nullptr ? format : "", OptionsFromBlock(options)) == Status::Ok
            ? 1
            : 0;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaResample(void *outInfo, HGLOBAL *outBits, const void *srcInfo, const void *srcBits,
    const SIZE *outSize, RECT dest, int /*mode: one method serves every mode*/)
{
    if (outInfo == nullptr || outBits == nullptr || outSize == nullptr)
        return 0;
    try {
        PictureView view;
        if (!PictureView::From(srcInfo, srcBits, view))
            return 0;
        Picture pic;
        if (ResamplePicture(view, outSize->cx, outSize->cy, dest, false, pic) != Status::Ok)
            return 0;
        pic.Release(outBits, outInfo);
        return 1;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaFormatTest(const char *path)
{
    if (path == nullptr)
        return -1;
    try {
        return FormatNumber(DetectFile(path));
    } catch (...) {
        return -1;
    }
}

CODEXA_API int CodexaLoadThumbnail(
    void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box, RECT, int)
{
    if (bits == nullptr)
        return 0;
    *bits = nullptr;
    if (thumbInfo == nullptr || path == nullptr)
        return 0;
    int bw, bh;
    if (box != nullptr) {
        bw = box->cx, bh = box->cy;
    } else {
        const auto *h = static_cast<const BITMAPINFOHEADER *>(thumbInfo);
        bw = h->biWidth, bh = h->biHeight;
    }
    try {
        Picture thumb;
        DibInfoBlock source {};
        if (ThumbnailFile(path, bw, bh, thumb, source) != Status::Ok)
            return 0;
        thumb.Release(bits, thumbInfo);
        if (srcInfo != nullptr)
            std::memcpy(srcInfo, &source, kDibInfoBlockSize);
        return 1;
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaLoadReduced(HGLOBAL *bits, void *info, void *srcInfo, const char *path, const SIZE *box)
{
    if (bits == nullptr)
        return 0;
    *bits = nullptr;
    if (info == nullptr || path == nullptr || box == nullptr)
        return 0;
    try {
        Picture pic;
        DibInfoBlock source {};
        if (LoadReducedFile(path, box->cx, box->cy, pic, source) != Status::Ok)
            return 0;
        pic.Release(bits, info);
        if (srcInfo != nullptr)
            std::memcpy(srcInfo, &source, kDibInfoBlockSize);
        return 1;
    } catch (...) {
        return 0;
    }
}

CODEXA_API void CodexaRelease(HGLOBAL *handle)
{
    if (handle == nullptr)
        return;
    GlobalFree(*handle);
    *handle = nullptr;
}

CODEXA_API void *CodexaProcByOrdinal(int ordinal)
{
    switch (ordinal) {
    case 2:
        return reinterpret_cast<void *>(&CodexaRelease);
    case 3:
        return reinterpret_cast<void *>(&CodexaLoadPage);
    case 4:
        return reinterpret_cast<void *>(&CodexaSave);
    case 7:
        return reinterpret_cast<void *>(&CodexaLoadThumbnail);
    case 9:
        return reinterpret_cast<void *>(&CodexaResample);
    case 10:
        return reinterpret_cast<void *>(&CodexaFormatTest);
    case 15:
        return reinterpret_cast<void *>(&CodexaPageCount);
    default:
        return nullptr;
    }
}

CODEXA_API void CodexaSetPixelLimit(long long pixels)
{
    SetPixelLimit(pixels);
}

CODEXA_API const char *CodexaReadableExtensions(void)
{
    static const std::string list = [] {
        std::string joined;
        for (const FormatCodec *f : AllFormats()) {
            if (f->load == nullptr)
                continue;
            for (const char *const *e = f->extensions; e != nullptr && *e != nullptr; ++e) {
                std::string_view ext(*e);
                if (!ext.empty() && ext.front() == '.')
                    ext.remove_prefix(1);
                if (ext.empty())
                    continue;
                if (!joined.empty())
                    joined += ';';
                joined += ext;
            }
        }
        return joined;
    }();
    return list.c_str();
}

CODEXA_API int CodexaAnimation(const char *path, int *delaysMs, int maxDelays, int *loops)
{
    if (loops != nullptr)
        *loops = 1;
    if (path == nullptr)
        return 0;
    try {
        FileBuffer buffer;
        if (buffer.Read(path) != Status::Ok)
            return 0;
        Animation animation;
        if (!AnimationFromMemory(buffer.bytes(), PathExtension(path), animation))
            return 0;
        for (int i = 0;
             delaysMs != nullptr && i < maxDelays && static_cast<std::size_t>(i) < animation.delaysMs.size();
             ++i)
            delaysMs[i] = animation.delaysMs[static_cast<std::size_t>(i)];
        if (loops != nullptr)
            *loops = animation.loops;
        return static_cast<int>(animation.delaysMs.size());
    } catch (...) {
        return 0;
    }
}

CODEXA_API int CodexaFormatAt(int index, CodexaFormatInfo *info)
{
    const auto &formats = FormatsByNumber();
    if (info == nullptr || index < 0 || static_cast<std::size_t>(index) >= formats.size())
        return 0;
    const FormatCodec *f = formats[static_cast<std::size_t>(index)];
    info->number = f->number;
    info->name = f->name;
    info->description = f->description;
    info->extensions = f->extensions;
    info->mimeTypes = f->mimeTypes;
    info->canWrite = f->save != nullptr ? 1 : 0;
    info->hasPages = f->pageCount != nullptr ? 1 : 0;
    return 1;
}

} // extern "C"
