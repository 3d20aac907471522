// The dispatcher behind the C entry points: format choice, loading, saving and thumbnails from
// memory buffers or files. Tests, fuzzers and tools call these directly.
#pragma once

#include "codec/format.h"

#include <string>
#include <string_view>
#include <vector>

namespace codexa
{

// The format with this name ("jpeg", "bmp", ...), or null.
const FormatCodec *FormatByName(std::string_view name);
// The format that writes this extension ("jpg", ".JPG", ...), or null.
const FormatCodec *FormatByExtension(std::string_view extension);
// The number the format test reports (FormatCodec::number); -1 for null.
int FormatNumber(const FormatCodec *format);
// The format with this number, or null (also for a format left out of this build).
const FormatCodec *FormatByNumber(int number);

// The first format (in probe order) that recognises the leading bytes; extension (any case,
// with or without dot) matters only for formats without a signature. Null when none does.
const FormatCodec *DetectFormat(Bytes head, std::string_view extension);

// page: -1 = default, else 0-based.
Status LoadFromMemory(Bytes file, std::string_view extension, int page, Picture &out);
// Pages in the file; 0 when no format reads it.
int PageCountFromMemory(Bytes file, std::string_view extension);
// format: a name or extension such as "jpg".
Status SaveToMemory(const PictureView &picture, std::string_view format, const SaveOptions &options,
    std::vector<std::uint8_t> &out);
// Thumbnail of the default page fitted into the box (never enlarged, 24-bit); source receives
// the header and palette of the full picture.
Status ThumbnailFromMemory(Bytes file, std::string_view extension, int boxWidth, int boxHeight,
    Picture &thumb, DibInfoBlock &source);

// The default page at any size from the full picture fitted into the box up to the full picture
// (formats that can skip detail, such as JPEG's scaled decode, do), in the picture's own depth;
// source receives the full picture's header and palette. out's block may be reused.
Status LoadReducedFromMemory(
    Bytes file, std::string_view extension, int boxWidth, int boxHeight, Picture &out, DibInfoBlock &source);
// The same from files (read whole into a per-thread buffer). Saving goes through
// WriteFileAtomically: the old file stays whole unless the new one is complete.
Status LoadFile(const char *path, int page, Picture &out);
int PageCountFile(const char *path);
Status SaveFile(
    const char *path, const PictureView &picture, std::string_view format, const SaveOptions &options);
Status LoadReducedFile(const char *path, int boxWidth, int boxHeight, Picture &out, DibInfoBlock &source);
Status ThumbnailFile(const char *path, int boxWidth, int boxHeight, Picture &thumb, DibInfoBlock &source);
// The format of a file from at most kProbeBytes of it, or null.
const FormatCodec *DetectFile(const char *path);

// The JPEG quality an options block asks for: its 16-bit value at byte 54 when 1...100, else 90.
SaveOptions OptionsFromBlock(const void *block);

} // namespace codexa
