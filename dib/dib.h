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

/* Grey. 24-bit pictures: every pixel becomes (Y, Y, Y) with Y = (11 B + 59 G + 30 R) / 100, or with
 * `to8Bit` set an 8-bit picture of those values with a grey-ramp palette (new header block).
 * Palette pictures: every colour becomes its grey; a two-colour palette becomes black (the darker
 * or equal entry) and white. 16- and 32-bit pictures are left alone. */
DIB_API void Dib2Gray(HGLOBAL *bits, BITMAPINFO **info, int to8Bit);

/* Black and white: a 1-bit picture (new header block, colours black and white) whose pixels are 1
 * where the grey value is above the middle of the darkest and lightest grey (of the pixels at 24
 * bits, of the palette at 4 and 8 bits; 127 for 16 and 32 bits). 1-bit pictures stay as they are. */
DIB_API void Dib2BW(HGLOBAL *bits, BITMAPINFO **info);

/* Inverts the palette (palette pictures) or the pixels (24 bits); with `greyOnly` set only grey
 * colours (blue = green = red). 16- and 32-bit pictures are left alone. 1 / 0. */
DIB_API int NegativeDib(HGLOBAL *bits, BITMAPINFO **info, int greyOnly);

/* Passes each channel through its 256-byte table: the pixels at 24 bits, the palette otherwise.
 * 1 / 0 (0 also for a null table). */
DIB_API int AdjustRGBOffset(
    HGLOBAL *bits, BITMAPINFO **info, const BYTE *redTable, const BYTE *greenTable, const BYTE *blueTable);

/* Automatic levels: the levels (blue byte at 24 bits, (77 B + 150 G + 29 R) >> 8 of the palette
 * colour otherwise) beyond the darkest and lightest 1 % are cut and the rest stretched to
 * 0 ... 254 (above the cut 255), on the pixels or the palette. New header block, and a new pixel
 * block at 24 bits. 0 for a flat picture (unchanged) and for 16 and 32 bits. */
DIB_API int DibNormalize(HGLOBAL *bits, BITMAPINFO **info);

/* Histogram equalisation of the luminance (29 B + 150 G + 77 R) >> 8, the same map applied to all
 * three channels of the pixels (24 bits) or of the palette. 1 / 0 (0 for 16 and 32 bits). */
DIB_API int DibEqualizeImage(HGLOBAL *bits, BITMAPINFO **info);

/* Inverts every channel value above trunc(percent * 2.56): the palette of palette pictures, the
 * first 3 * width bytes of every row otherwise. 1, or -1 for a null or invalid picture. */
DIB_API int DibSolarize(HGLOBAL *bits, BITMAPINFO **info, float percent);

/* Blends the colour into the picture (the palette of palette pictures); `strength` 0 ... 100 is
 * the weight of the picture. Modes 0 (colour), 1 (subtract), 2 (multiply), 3 (difference) and 6
 * (screen) per channel; 4 and 5 are DibLightMask sub-modes 0 and 1; 7 to 10 DibHSLMask sub-modes 0
 * to 3. Other modes do nothing. */
DIB_API void DibColorMask(HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int strength, int mode);

/* Replaces the pixels (palette colours) whose 11 B + 59 G + 30 R is below (sub-mode 0) or above
 * (1) that of the colour times a factor from 0.118 (strength 1) through 1 (50) to 6 (100) by the
 * colour. Strength is clamped to 1 ... 100. */
DIB_API void DibLightMask(HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int subMode, int strength);

/* Takes from the colour its lightness (sub-mode 0), hue (1), saturation (2) or hue and saturation
 * (3), keeps the rest of each pixel (palette colour), and mixes the result in with the pixel
 * weighted by `strength` (clamped to 1 ... 100). */
DIB_API void DibHSLMask(HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int subMode, int strength);

/* Blends two pixels (bytes 0, 1, 2: blue, green, red) and writes blue, green, red to out[0 ... 2].
 * Per channel: 0 blend, 1 base - blend (at least 0), 2 multiply, 3 lighter, 4 darker,
 * 5 difference, 6 screen; through HSL: 7 base hue and saturation with blend lightness, 8 blend
 * hue, 9 blend saturation, 11 blend hue and saturation. Mode 10 and others write nothing. */
DIB_API void DibColorBlend(DWORD base, DWORD blend, BYTE *out, int mode);

/* ---- Filters ---- */

/* Functions of this family: coded filters, kernels, noise, median and mosaic. */

/* Numbered filters in place, without conversion. params[1] is the code, params[2] its parameter
 * p ([0] and `unused` are ignored): 1 grey (BT.601), 2 emboss, 3 invert, 4 pixelate in p × p
 * blocks, 5 soft blur (divisor p, 9 ... 11), 6 rain streaks up to p long, 7 texture, 8 fog above
 * threshold p, 9 engrave with threshold p, 10 NegativeDib with grey-only flag p, 11 OilPaintDib
 * with radius p. Palette pictures change their palette where a filter allows it; 24-bit pictures
 * their pixels; other depths are left alone. p below 1 makes codes 4 and 6 change nothing. Codes 6 to 8 draw
 * from the library's random sequence without seeding it. 0 for a code outside 1 ... 11 (or null params), else
 * the filter's result (1 for codes 1 ... 9). */
DIB_API int DoImageFilter(HGLOBAL *bits, BITMAPINFO **info, int unused, const int *params);

/* 3 × 3 filters on the 24-bit picture, each byte with the same byte of its neighbours; the first
 * and last pixel's bytes of a row and, for types 1-3 and 7-16, the first and last row stay (types
 * 1-6: the picture; 7-16: 128). Types: 1 smoothing kernel `sub` (0 ... 4), 2 sharpening kernel
 * `sub` (0 ... 4), 3 (3 × neighbours + 4 × centre) / 20, 4 2(l + r) - 3m, 5 26m - 24r - l,
 * 6 5m - r - l, 7-14 directional emboss with strength `sub` (15 and 16: flat 128). Sub-indices
 * outside 0 ... 4 are clamped. 1 / 0. */
DIB_API int DoSpecialFilter(HGLOBAL *bits, BITMAPINFO **info, int type, int sub);

/* Oil paint at 1, 4, 8, 16 or 24 bits: every pixel at least `radius` from the edges becomes the
 * pixel that first reaches the highest count of its luminance in the neighbourhood. 1 / 0. */
DIB_API int OilPaintDib(HGLOBAL *bits, BITMAPINFO **info, int radius);

/* Charcoal drawing, 24-bit grey result; fails below 4 bits and under 3 × 3 pixels. 1 / 0. */
DIB_API int DibCharCoal(HGLOBAL *bits, BITMAPINFO **info);

/* Despeckle by complementary hulling of each channel in four directions; 24-bit result. 1 / 0. */
DIB_API int DibDespeckleImage(HGLOBAL *bits, BITMAPINFO **info);

/* 3 × 3 median by luminance at 1, 4, 8 or 24 bits (ties keep memory order: rows from the bottom,
 * pixels from the left); the border pixels stay. 1 / 0. */
DIB_API int DibReduceNoiseImage(HGLOBAL *bits, BITMAPINFO **info);

/* Salt-and-pepper noise on every byte of the 24-bit picture, amount 0 ... 100 (0 changes no
 * pixel); draws from the library's random sequence without seeding it. 1 / 0. */
DIB_API int DibMyAddNoise(HGLOBAL *bits, BITMAPINFO **info, int amount);

/* Fills blocks of blockWidth × blockHeight pixels (0 taken as 1) from the bottom-left corner
 * with their average colour; 24-bit result. 1 / 0. */
DIB_API int DibMosaic(HGLOBAL *bits, BITMAPINFO **info, int blockWidth, int blockHeight);

/* Moves every pixel of an 8-bit or deeper picture of at least 3 × 3 by a random amount up to
 * amount percent of the smaller side; seeds the random sequence with the current time. 1 / 0. */
DIB_API int DibSpreadImage(HGLOBAL *bits, BITMAPINFO **info, int amount);

/* Blurs the 8-bit plane *mask (width × height, rows padded to 4) with the average of the 8 × 8
 * window from 3 before to 4 after each byte, clipped at the edges; new block. 1 / 0. */
DIB_API int BlurMask8Bit(int width, int height, HGLOBAL *mask);

/* Grows the zero bytes of the 8-bit plane *mask by `radius` in every direction (a square
 * window); new block. 1 / 0. */
DIB_API int Deflate8Bit(int width, int height, HGLOBAL *mask, int radius);

/* ---- Distortions and generated effects ---- */

/* Functions of this family: twist, waves, lenses, wind, shading and plasma. */

/* Angles are degrees. Every function here except DibLens on palette pictures works on 24 bits
 * (other depths are converted first) and replaces the pixel block; backgrounds are white. Random
 * values come from the library's own 15-bit sequence, kept per thread. */

/* Shifts each column (direction 0) or row (otherwise) by trunc(sin(i * cycles * 2pi / n + phase)
 * * A) + A pixels, A = height (or width) * amplitude / 100 with amplitude in 0 ... 100; the picture
 * grows by 2A in that direction. */
DIB_API int DibTwist(
    HGLOBAL *bits, BITMAPINFO **info, int phase, double cycles, int amplitude, int direction);

/* Like DibTwist at the same size, moving whole rows (direction 0) or columns by a fractional
 * amount, blended with 10-bit fractions; places that read outside the picture are white. */
DIB_API int DibWaveEffect(
    HGLOBAL *bits, BITMAPINFO **info, int phase, double cycles, int amplitude, int direction);

/* Turns every pixel about the centre by an angle growing linearly with its distance (angle / half
 * the diagonal's length, in radians per pixel); samples outside the picture are white. An angle of
 * 0 returns 1 at once. */
DIB_API int DibSpiralEffect(HGLOBAL *bits, BITMAPINFO **info, double angle);

/* Ripples around the centre (fractions 0 ... 1 of the width and height; others fail): pixels at
 * least 2 from the border are sampled at their distance scaled by 1 + amplitude * sin(r * waves *
 * pi / width + phase) / (r + 50). */
DIB_API int DibDrop(
    HGLOBAL *bits, BITMAPINFO **info, double centreX, double centreY, int phase, int waves, int amplitude);

/* Pulls the picture toward (amount > 0) or pushes it away from (amount < 0) the centre (percent of
 * the width and height) inside a circle of radiusPercent of the longer side, the shorter axis
 * stretched to make it round. Pictures below 8 bits fail; amount 0 copies. */
DIB_API int DibImplodeImage(
    HGLOBAL *bits, BITMAPINFO **info, double amount, int centreX, int centreY, int radiusPercent);

/* Smears each pixel with the ten before it (from the left for direction 0, else from the right),
 * weight strength * 0.002 each, in place along the row. Strength 0 changes nothing. */
DIB_API int DibWind(HGLOBAL *bits, BITMAPINFO **info, int strength, int direction);

/* Lights the picture as a relief from the 3 x 3 neighbourhood of each pixel's intensity, the light
 * at azimuth and elevation. With colour 0, or a picture below 8 bits, the result is 8-bit grey;
 * otherwise 24-bit pixels (16 and 32 bits become 24) are darkened by the shade and 8-bit pictures
 * keep their indices and get a shaded palette. Makes a new header block. 1, 0, or -1 when a
 * handle is null. */
DIB_API int DibShade(HGLOBAL *bits, BITMAPINFO **info, int colour, double azimuth, double elevation);

/* Tints pixels (palette pictures: their palette) by moving the largest and smallest byte of each
 * colour to positions chosen by tint (1 ... 6) and placing the third between them (mode 1: the
 * stronger mix). */
DIB_API int DibLens(HGLOBAL *bits, BITMAPINFO **info, int tint, int mode);

/* Frames the picture softly in colour: outside a shape the pixels become the colour, across a band
 * of percent of its size they fade into it. Shapes: 0 circle, 1 ellipse, 2 rectangle, 3 square,
 * 4 top and bottom bands, 5 left and right bands, 6 diamond; others change nothing. */
DIB_API void DibFuzzy(HGLOBAL *bits, BITMAPINFO **info, COLORREF colour, int percent, int shape);

/* Generates a plasma fractal (mode 0: over a colour ramp, seeded from the clock) or grids the
 * picture with itself (modes 1 ... 3), calling DibPlasmaImage with depths 1, 2, ... until it says
 * the parts are small. The result is 24-bit. 1, 0, or -1 when a handle is null. */
DIB_API int DibPlasma(HGLOBAL *bits, BITMAPINFO **info, int attenuation, int mode);

/* One plasma pass on a 24-bit picture in place: quarters *segment (inclusive corners left, top,
 * right, bottom, in memory rows) `depth` times and sets the edge midpoints and centre of every
 * part from its corners, with noise 256 / (2 * attenuation) (attenuation grows by one a level)
 * in mode 0, else with DibGriddingPixel. Non-zero when the last part spans less than 3 pixels each
 * way; -1 for a missing picture, one not 24-bit or a segment outside it. */
DIB_API int DibPlasmaImage(
    HGLOBAL *bits, BITMAPINFO **info, const RECT *segment, int attenuation, int depth, int mode);

/* base + noise / 2 - (random value mod trunc(noise)), rounded and clamped to 0 ... 255. */
DIB_API BYTE DibPlasmaPixel(BYTE base, double noise);

/* Sets the three bytes at pixels + row * stride + *offset to random values; returns the last. */
DIB_API BYTE DibPlasmaPixels(const int *offset, BYTE *pixels, int row, DWORD unused, int stride);

/* Mode 1: (a + b + c) / 3; 2: (a + b) / 4 + c / 2; 3: 3 (a + b) / 8 + c / 4 (shifts); else 0. */
DIB_API BYTE DibGriddingPixel(BYTE a, BYTE b, BYTE c, int mode);

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
