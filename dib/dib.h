/* The bitmap library (libtarnisdib): functions over device-independent bitmaps, exported by name,
 * undecorated, with the C calling convention. Besides them it exports GlobalAlloc, GlobalFree and
 * GlobalSize so that a program in any language can make and free the pixel blocks it passes in.
 *
 * A picture is a pair of blocks:
 *  - Header block: BITMAPINFOHEADER (40 bytes) followed by room for 256 RGBQUAD colours, 1064
 *    bytes in all. The library makes header blocks with C++ ::operator new and, when a function
 *    replaces the caller's block, frees the old one with ::operator delete. Hand in only blocks
 *    made that way: ::operator new(1064) in C++, or CreateDib with *info null. Free a block you
 *    own with ::operator delete (with the GNU C++ runtime these are malloc/free, which is what a
 *    caller in another language uses).
 *  - Pixel block: from GlobalAlloc (fixed, zero-initialised; the handle is the pixel pointer),
 *    freed with GlobalFree. Rows are bottom-up, each padded to a multiple of 4 bytes:
 *    stride = ((width * bitCount + 31) / 32) * 4. 24-bit pixels are blue, green, red; 32-bit
 *    blue, green, red and an ignored byte; 16-bit little-endian 5-5-5 words (blue in the low
 *    bits); 4-bit pixels put the left pixel in the high nibble, 1-bit pixels in the top bit.
 *    Only uncompressed one-plane pictures of 1, 4, 8, 16, 24 or 32 bits are accepted.
 *
 * `bits` is an in/out pointer to the caller's pixel-block handle and `info` an in/out pointer to
 * the caller's header-block pointer. Functions return 1 (non-zero) on success and 0 on failure and
 * replace the caller's blocks only on success: the old pixel block is freed with GlobalFree and
 * the new handle stored, and the header is updated in place unless the function says it makes a
 * new header block. Null, zero, negative or absurd arguments, and sizes whose products overflow,
 * make a function fail without touching anything. No function shows UI or throws.
 * This rule holds for the whole library, also where a function would otherwise change the caller's
 * pair before a step that can still fail (a turn writing the new size into the header before its
 * allocation, a picture converted to 24 bits before a placement check): on failure the pair is
 * exactly as it was. Pictures passed only as inputs (overlays, blend sources) are never changed;
 * when they need converting, a private copy is converted.
 *
 * Graphics-system handles (C++ callers, over QtGui):
 *  - bitmap: a QImage*. Dib2Bitmap makes one with new; the caller deletes it. Bitmap2Dib reads
 *    any QImage the caller owns.
 *  - palette: a DibPalette* the caller makes and frees (a plain struct; null means the default
 *    palette).
 *  - device context: a CDC the caller makes and frees (a plain struct over a paint device and the
 *    painter active on it, if any). Grabbing supports QImage and QPixmap devices.
 *  - bitmap resources: the program's Qt resources ":/bitmaps/<id>.bmp" (BMP files). */
#pragma once

#include "platform/globalmem.h"
#include "platform/wintypes.h"

#if defined(_WIN32)
#define DIB_API __declspec(dllexport)
#else
#define DIB_API __attribute__((visibility("default")))
#endif

class QImage;
class QPainter;
class QPaintDevice;
class QWidget;

/* A device context: the device pixels are read from and drawn on, and the painter currently
 * active on it (null when none; its transform maps logical coordinates to the device). */
struct CDC {
    QPaintDevice *device;
    QPainter *painter;
};

/* A palette: `count` colours (1 ... 256) of `colors`. */
struct DibPalette {
    int count;
    RGBQUAD colors[256];
};

extern "C" {

/* ---- Basic functions ---- */

/* Makes a width x height picture of bitCount bits whose every pixel byte (padding included) is
 * `fill`. With *info null a new header block is made; otherwise the caller's header is rewritten
 * (its palette entries are left as they are). Non-zero on success. */
DIB_API int CreateDib(int width, int height, WORD bitCount, HGLOBAL *bits, BITMAPINFO **info, BYTE fill);

/* Replaces the caller's pair with a copy of (srcBits, srcInfo): a new header block holding the
 * header and its palette, a new pixel block. 1 / 0. */
DIB_API int DuplicateDibData(
    HGLOBAL *bits, BITMAPINFO **info, const void *srcBits, const BITMAPINFO *srcInfo);

/* Palette entries of the header: biClrUsed when non-zero (at most 256), else 2^bitCount for up to
 * 8 bits, else 0. 0 for null. */
DIB_API int GetPaletteEntry(const BITMAPINFO *info);

/* A new block of 40 + 4n bytes copied from the header, n = biClrUsed when non-zero, else
 * 2^bitCount below 16 bits, else 1 (n at most 256). The caller deletes it. Null for null. */
DIB_API BITMAPINFO *CreateNewBitmapInfo(const BITMAPINFO *info);

/* A new block of 40 + 4n bytes copied from the header with biClrUsed = n (0 ... 256). The caller
 * deletes it. Null for null or n out of range. */
DIB_API BITMAPINFO *CreateNewBmpInfoColor(const BITMAPINFO *info, int colours);

/* Converts the picture to 24 bits. 16- and 32-bit pictures convert at their size; a palette
 * picture above 2,097,152 pixels is first reduced (ScaleDibAll, method 0) to about that many,
 * its resolutions scaled alike. A 1-bit picture that needed reducing gets a new header block. */
DIB_API int AnyConvertTo24Bit(HGLOBAL *bits, BITMAPINFO **info);

/* Removes the row padding (rows stay bottom-up; the block keeps its size and the header is not
 * changed, so its stride no longer describes the data). With `expand` set, 1-, 2- and 4-bit
 * pictures become one byte per pixel (the palette index) with bit count 8 and biClrUsed 256. */
DIB_API int ConvertDIBToNoFillBytes(HGLOBAL *bits, BITMAPINFO **info, int expand);

/* Converts a bitmap into a new pair (new header block). bitCount 0 picks 1, 4, 8 or 24 from the
 * bitmap's depth. At 8 bits or fewer the colours are those of `palette`, or of an indexed bitmap
 * whose colour table fits when `palette` is null, else the default palette (black and white for
 * 1 bit, the 16 standard colours for 4, the 20 system colours for 8); each pixel takes the
 * nearest colour. */
DIB_API int Bitmap2Dib(
    HGLOBAL *bits, BITMAPINFO **info, const QImage *bitmap, const DibPalette *palette, int bitCount);

/* A new bitmap (QImage, top-down) showing the picture; the caller deletes it. Null on failure. */
DIB_API QImage *Dib2Bitmap(const void *bits, const BITMAPINFO *info);

/* Grabs the rectangle (x, y, width, height) of the device context (logical coordinates) into a
 * picture at the bit count already in *info (24 when *info is null, which makes a new header
 * block). Parts outside the device come out black. 1 / 0. */
DIB_API int GetDibFromDC(CDC *dc, int x, int y, int width, int height, HGLOBAL *bits, BITMAPINFO **info);

/* Loads the bitmap resource ":/bitmaps/<id>.bmp" into a new pair (new header block, resolutions
 * 11141; 16- and 32-bit resources come out 24-bit). 1 on success, -1 when the resource is
 * missing or unreadable or memory runs out, -3 for an unsupported format (2 bits per pixel,
 * compression). */
DIB_API int ReadRes2Data(WORD id, HGLOBAL *bits, BITMAPINFO **info);

/* ---- Scaling ---- */

/* Scales the picture to width x height (1 without change when the size is the same). 1-bit
 * pictures go to DibScale1Bit (smooth), 4-, 8- and 16-bit ones to Scale8Or4Dib with `method`
 * (0: nearest neighbour at the same depth; non-zero: smoothed to 24 bits or 8-bit grey); those two
 * routes make a new header block. 24-bit pictures are box-averaged on an axis reduced by half or
 * more and linearly interpolated otherwise (integer positions in 1/1024 pixel), the header updated
 * in place; sizes below 2 become 2. 32-bit pictures fail. Large pictures are worked on by several
 * threads; the result does not depend on it. */
DIB_API int ScaleDibAll(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int method);

/* 1-bit pictures. Reducing with `smooth` set gives an 8-bit picture whose 256 colours ramp from
 * colour 0 to colour 1; otherwise nearest neighbour at 1 bit. Makes a new header block. */
DIB_API int DibScale1Bit(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int smooth);

/* 4-, 8- and 16-bit pictures by nearest neighbour at their depth, the header updated in place;
 * with `smooth` set (or for 1 and 24 bits) through ScaleAndCrop. */
DIB_API int Scale8Or4Dib(HGLOBAL *bits, BITMAPINFO **info, int width, int height, int smooth);

/* 8-bit planes whose bytes are values (masks, alpha), scaled like 24-bit pictures; sizes below 2
 * become 2. Only the header's width, height, bit count and image size are used. */
DIB_API int Scale8BitDib(HGLOBAL *bits, BITMAPINFO **info, int width, int height);

/* DibScaleCrop2Dib in mode 2 on the caller's pair: scales to width x height and keeps the part
 * (left, top, right, bottom) of the result (top-down coordinates). Makes a new header block. */
DIB_API int ScaleAndCrop(
    HGLOBAL *bits, BITMAPINFO **info, int width, int height, int left, int top, int right, int bottom);

/* Scales and crops the source into a new pixel block (*dstBits, any old handle there is not
 * freed) and dstInfo (caller-made, 1064 bytes); the source is untouched. The result is 24-bit,
 * or 8-bit grey for 1-bit and grey-palette sources. *size is the target size (raised to 1).
 * Mode 0 fits the source into *size keeping its aspect (never enlarging; *size gets the fitted
 * size) and ignores `crop`; mode 1 takes `crop` in source coordinates and scales it to *size;
 * other modes scale the whole source to *size and keep `crop` of it. A crop of (-1, -1, -1, -1)
 * means the whole target. 1 / 0. */
DIB_API int DibScaleCrop2Dib(BITMAPINFO *dstInfo, HGLOBAL *dstBits, const BITMAPINFO *srcInfo,
    const void *srcBits, SIZE *size, RECT crop, int mode);

/* Replaces the caller's pair with a copy of (srcBits, srcInfo) scaled by ScaleDibAll (method 0).
 * With srcBits null only the header block is replaced (a copy of srcInfo's 1064 bytes). */
DIB_API int ScallBitmap(
    HGLOBAL *bits, BITMAPINFO **info, int width, int height, HGLOBAL srcBits, const BITMAPINFO *srcInfo);

/* Replaces *bits with a copy of the 8-bit alpha plane srcAlpha (srcWidth x srcHeight, rows padded
 * to 4 bytes) scaled by Scale8BitDib. Does nothing when srcAlpha is null or the scaling fails. */
DIB_API void ScallAlpha(HGLOBAL *bits, int width, int height, HGLOBAL srcAlpha, int srcWidth, int srcHeight);

/* ---- Geometry ---- */

/* Functions of this family: rotation, mirroring, cropping, rolling and masks. */

/* Turns the picture by a whole number of degrees clockwise (negative: counter-clockwise; taken
 * modulo 360). 90 and 270 are exact quarter turns of 1-, 4-, 8- and 24-bit pictures (other depths
 * come out zero-filled at the turned size); 180 is MirrorDib 0 and 1 together; 0 returns 1 at once
 * (even for a null pair); other angles go to RotateFreeAngle. */
DIB_API int RotateDib(HGLOBAL *bits, BITMAPINFO **info, int angle, BYTE background);

/* Turns the picture by `angle` degrees clockwise onto a canvas grown to hold it, with sine and
 * cosine in 1/1024 (truncated). 24-bit pictures are sampled bilinearly (edge pixels stand in for
 * missing neighbours) on a background of grey `background`; 8-bit ones by nearest neighbour on
 * index `background`, 1- and 4-bit ones on index 1 and 15. 16- and 32-bit pictures come out
 * zero-filled at the new size. An angle that rounds to a multiple of 360 returns 1 unchanged;
 * NaN and infinity fail. */
DIB_API int RotateFreeAngle(HGLOBAL *bits, BITMAPINFO **info, double angle, BYTE background);

/* direction 0 mirrors left-right (1-, 4-, 8- and 24-bit pictures), 1 flips top-bottom (any
 * depth). Other directions and depths give a zero-filled block. */
DIB_API int MirrorDib(HGLOBAL *bits, BITMAPINFO **info, int direction);

/* Keeps the part (left, top, right, bottom) of the picture (top-down coordinates, right and
 * bottom exclusive), clipped to it. Fails for a rectangle empty before or after clipping; the
 * whole picture returns 1 unchanged. 1-, 4-, 8- and 24-bit pixels are copied (1 bit: pixels past
 * the source row's end read as index 1); 16- and 32-bit crops come out zero-filled. */
DIB_API int DibCrop(HGLOBAL *bits, BITMAPINFO **info, int left, int top, int right, int bottom);

/* DibCrop of (srcBits, srcInfo) into the caller's pair, the source untouched; 32-bit pixels are
 * copied too. With *info null a new header block is made; otherwise the source header and
 * palette are copied into it. Cropping the whole picture returns 1 without producing anything. */
DIB_API int DibCrop2Dib(HGLOBAL *bits, BITMAPINFO **info, const void *srcBits, const BITMAPINFO *srcInfo,
    int left, int top, int right, int bottom);

/* Shifts the picture cyclically by `horizontal` percent of its width to the right and `vertical`
 * percent of its height upwards (a negative percentage has 100 added). 1-, 4-, 8- and 24-bit
 * pictures; other depths come out zero-filled. */
DIB_API int DibRoll(HGLOBAL *bits, BITMAPINFO **info, int horizontal, int vertical);

/* Turns the picture in perspective about its vertical centre line (axis non-zero) or its
 * horizontal one (axis 0) by `angle` degrees with `depth` (0 ... 100) percent of perspective, onto
 * a white canvas; the picture is brought to 24 bits first. About the horizontal line the result is
 * trunc((|sin| / 4 + 1) * W) wide and trunc(H * |cos|) + |d| high, d = trunc(H * depth * sin / 100);
 * about the vertical line width and height change roles. Scan lines shrink linearly by up to |d|
 * pixels towards the far edge; samples are bilinear with white outside the picture. */
DIB_API int DibRotate3D(HGLOBAL *bits, BITMAPINFO **info, double angle, int depth, int axis);

/* Composites the overlay (overlayBits, overlayInfo; not changed: a copy is brought to 24 bits)
 * onto the picture (brought to 24 bits) at (x, y), placed by GetMaskRect. Blend modes 0 ... 12:
 * 0 normal, 1 subtract, 2 multiply, 3 difference, 4 darker / 5 lighter luminance swap, 6 screen,
 * 7 ... 10 HSL mixes, 11 soft ellipse, 12 wrapped blend. `strength` 0 ... 100 (above: 100, below:
 * failure) weights the picture. Other modes return 1 with the picture converted only. */
DIB_API int DibMask(HGLOBAL *bits, BITMAPINFO **info, HGLOBAL overlayBits, const BITMAPINFO *overlayInfo,
    int mode, int strength, int x, int y, RECT rect);

/* Places an overlay on an image: `rect` (-1, -1, 0, 0) centres the overlay's middle on the
 * image's; otherwise `rect` is the overlay's part ((0, 0, 0, 0): all of it) put at (x, y), both
 * rectangles clipped and cut to the common size. Non-zero when both are non-empty (the centred
 * placement always returns 1). */
DIB_API int GetMaskRect(int imageWidth, int imageHeight, int overlayWidth, int overlayHeight, int x, int y,
    RECT rect, RECT *imageRect, RECT *overlayRect);

/* ---- Tone and colour ---- */

/* Functions of this family: grey, black and white, negative, offsets, histograms and colour masks. */

/* ---- Filters ---- */

/* Functions of this family: coded filters, kernels, noise, median and mosaic. */

/* ---- Distortions and generated effects ---- */

/* Functions of this family: twist, waves, lenses, wind, shading and plasma. */

/* ---- Drawing helpers ---- */

/* Functions of this family: tiling, gradients, alpha blending and window regions. */

/* Fills the rectangle (left, top, right, bottom) of the device context with the picture: mode 2
 * tiles it from (left, top) (the last tiles may reach past the right and bottom edges); mode 1 is
 * a nine-slice: the middle part (inside the borders borderWidth x borderHeight) is tiled over the
 * inside, the border strips along the edges, and the four corners are drawn last; other modes
 * stretch the picture onto the rectangle (nearest neighbour). */
DIB_API void TileDibOnRect(CDC *dc, int left, int top, int right, int bottom, const BITMAPINFO *info,
    const void *bits, int borderWidth, int borderHeight, int mode);

/* TileDibOnRect with the bitmap resource ":/bitmaps/<id>.bmp", clipped to the rectangle. */
DIB_API void TileBmpOnRect(CDC *dc, RECT rect, WORD id, int borderWidth, int borderHeight, int mode);

/* Paints the rectangle in bands from colour2 to colour1 (COLORREF, red in the low byte): top to
 * bottom, or left to right when `horizontal` is set; `reverse` starts from the bottom (right).
 * Bands are 1/128 of the height (width), at least 1 pixel; band k has each channel
 * c2 + (c1 - c2) * (k + 1) * band / size (integer division). */
DIB_API void GradientFillRect(
    CDC *dc, const RECT *rect, COLORREF colour1, COLORREF colour2, int horizontal, int reverse);

/* Blends the part `rect` of the source onto the picture at (x, y), placed by GetMaskRect, both
 * brought to 24 bits (the source on a copy). `blend` is a BLENDFUNCTION: byte 2 the constant alpha,
 * byte 3 the alpha format (not 0: 1 without drawing). Each byte becomes
 * (s * a + (256 - a) * d) >> 8, a = (srcAlpha * constant) >> 8 with a source alpha plane
 * of the source's size, else the constant; where the destination mask plane (*dstMask, of the
 * destination's size) is 0 and the source alpha is not, the source byte is copied. Planes are one
 * byte per pixel, rows padded to 4 bytes, and must hold the 24-bit sizes of their pictures. 1 / 0. */
DIB_API int Dib2DibAlphaBlend(HGLOBAL *bits, BITMAPINFO **info, HGLOBAL srcBits, const BITMAPINFO *srcInfo,
    int x, int y, RECT rect, DWORD blend, const BYTE *srcAlpha, BYTE *const *dstMask);

/* Grabs (x, y, width, height) of the device context into a 24-bit picture, blends the whole source
 * onto it at (0, 0) (Dib2DibAlphaBlend) and draws it back. The four unnamed values are not used.
 * Returns the rows drawn back (height), 0 when nothing was. */
DIB_API int AlphaBlendDib2DC(CDC *dc, int x, int y, int width, int height, HGLOBAL srcBits,
    const BITMAPINFO *srcInfo, DWORD, DWORD, DWORD, DWORD, DWORD blend, const BYTE *srcAlpha);

/* Gives the window (a QWidget) a rounded-rectangle mask of its size with corner ellipses of
 * cornerWidth x cornerHeight and repaints it. The only function that needs Qt Widgets. */
DIB_API void ChangeWindowRgn(QWidget *window, int cornerWidth, int cornerHeight);

} /* extern "C" */
