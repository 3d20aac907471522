/* Codexa: the picture codec library. C ABI; pictures cross as a 1064-byte info block (header plus
 * 256 colours) and a fixed global pixel block (bottom-up rows padded to 4 bytes) that the caller
 * frees with GlobalFree or CodexaRelease. Paths are UTF-8. */
#pragma once

#include "platform/wintypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define CODEXA_API __declspec(dllexport)
#else
#define CODEXA_API __attribute__((visibility("default")))
#endif

/* Ordinal 3. Loads page `page` (-1 = the default page, else 0-based) of the file into *bits and
 * info (caller-allocated, 1064 bytes). 1 on success; 0 on failure with *bits left null. */
CODEXA_API int CodexaLoadPage(HGLOBAL *bits, void *info, const char *path, int page);

/* No ordinal. CodexaLoadPage that also sets *damaged (may be null) to 1 when the file is cut
 * short or broken part-way and only the rows before the damage are real (the rest is filled),
 * else 0. A file with no readable row still fails. */
CODEXA_API int CodexaLoadPageEx(HGLOBAL *bits, void *info, const char *path, int page, int *damaged);

/* Ordinal 15. Number of pages (1 for single-page files, 0 when the file cannot be read). */
CODEXA_API int CodexaPageCount(const char *path);

/* Ordinal 4. Saves the picture. format: an extension such as "jpg" (with or without dot); null
 * or empty means the path's extension decides. options: null or a 64-byte block whose 16-bit
 * value at byte 54 is the JPEG quality when it is 1...100. The existing file is replaced only
 * once the new one is complete. 1 on success, 0 on failure (the old file stays whole). */
CODEXA_API int CodexaSave(
    const char *path, const void *info, const void *bits, const char *format, const void *options);

/* Ordinal 9. Resamples the source picture into outSize (width, height), drawing into the
 * destination rectangle dest of the output (whole-picture resizes pass (0, 0, width, height)).
 * outInfo is caller-allocated (1064 bytes). Mode 2 = area-averaging reduction, bilinear
 * enlargement. 1 on success, 0 on failure (outputs untouched). */
CODEXA_API int CodexaResample(void *outInfo, HGLOBAL *outBits, const void *srcInfo, const void *srcBits,
    const SIZE *outSize, RECT dest, int mode);

/* Ordinal 10. >= 0 (a format number) when the library can read the file, negative when not.
 * Reads at most a few kilobytes. */
CODEXA_API int CodexaFormatTest(const char *path);

/* Ordinal 7. Thumbnail of the default page fitted into *box keeping proportions, never enlarged,
 * always 24-bit. thumbInfo (width and height preset to the box) receives the thumbnail's header,
 * srcInfo (1064 bytes, may be null) the source picture's header. rect and flags are reserved:
 * pass (-1, -1, -1, -1) and 0. 1 on success, 0 on failure. */
CODEXA_API int CodexaLoadThumbnail(
    void *thumbInfo, HGLOBAL *bits, void *srcInfo, const char *path, const SIZE *box, RECT rect, int flags);

/* No ordinal. The default page for a caller that scales it down to fit *box: any size from the
 * full picture fitted into the box (keeping proportions) up to the full picture, in the
 * picture's own depth, with orientation applied. info (1064 bytes) receives its header,
 * srcInfo (1064 bytes, may be null) the full picture's. 1 on success, 0 on failure. */
CODEXA_API int CodexaLoadReduced(HGLOBAL *bits, void *info, void *srcInfo, const char *path, const SIZE *box);

/* Ordinal 2. Frees a block the library gave out and nulls the handle. */
CODEXA_API void CodexaRelease(HGLOBAL *handle);

/* The entry for an ordinal (2, 3, 4, 7, 9, 10, 15), or null. */
CODEXA_API void *CodexaProcByOrdinal(int ordinal);

/* Largest picture (width x height) a decoder accepts; larger ones fail. Default 2^28. */
CODEXA_API void CodexaSetPixelLimit(long long pixels);

/* No ordinal. The extensions of every format the library reads, lower-case without dots,
 * separated by semicolons ("bmp;jpg;jpeg;..."). The string lives as long as the library. */
CODEXA_API const char *CodexaReadableExtensions(void);

/* No ordinal. 1 when the library writes the format (an extension such as "png", with or without
 * dot), else 0. */
CODEXA_API int CodexaCanWrite(const char *format);

/* No ordinal. CodexaSave at the best JPEG quality; when both the new file and the file at source
 * are JPEG, the new one keeps the source's EXIF block (orientation set to normal), ICC profile and
 * comments. */
CODEXA_API int CodexaSaveKeeping(const char *path, const void *info, const void *bits, const char *source);

/* No ordinal. Writes the JPEG at source to path turned and mirrored by steps (0 a quarter turn
 * clockwise, 1 anticlockwise, 2 mirror, 3 flip, in order) on its compressed data, without
 * decoding; markers are kept. 0 when that cannot be done exactly (not a JPEG, partial edge blocks
 * that would move, an EXIF orientation other than normal): the caller then saves decoded pixels. */
CODEXA_API int CodexaJpegTransform(const char *source, const char *path, const int *steps, int count);

/* No ordinal. 1 when the file holds transparency that loading flattens on white (PNG alpha or
 * transparent colour, GIF transparent index, TGA alpha bits, TIFF alpha), else 0. */
CODEXA_API int CodexaHasTransparency(const char *path);

/* No ordinal. Writes the pictures as the pages of one TIFF file (replaced only once the new one is
 * complete). 1 on success. */
CODEXA_API int CodexaSaveTiffPages(
    const char *path, int count, const void *const *infos, const void *const *bits);

/* Format numbers below this are the nine of the Open dialog's fixed filter list. */
#define CODEXA_CLASSIC_FORMATS 9

/* No ordinal. One format of this build. Lists are null-terminated arrays of static strings;
 * extensions are lower-case with their dot. */
typedef struct CodexaFormatInfo {
    int number; /* what the format test reports for it: 0...8 the nine of the Open dialog's list */
    const char *name; /* "webp" */
    const char *description; /* "WebP" */
    const char *const *extensions;
    const char *const *mimeTypes;
    int canWrite;
    int hasPages;
} CodexaFormatInfo;

/* No ordinal. The timing of an animated picture (GIF or WebP of several pages): the number of
 * pages, their display times in milliseconds in delaysMs (the first maxDelays of them; may be null)
 * and in *loops how often the whole animation plays (0 = forever). 0 when the file is no
 * animation. */
CODEXA_API int CodexaAnimation(const char *path, int *delaysMs, int maxDelays, int *loops);

/* No ordinal. The index-th format (0-based) in the order of their numbers: 1 and *info filled, or
 * 0 past the last. */
CODEXA_API int CodexaFormatAt(int index, CodexaFormatInfo *info);

#ifdef __cplusplus
}
#endif
