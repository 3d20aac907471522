// What saves keep of the old file: the metadata segments of a JPEG and its compressed data under
// quarter turns and mirrors.
#pragma once

#include "codec/format.h"

#include <vector>

namespace codexa
{

// The EXIF (orientation set to 1), ICC profile and comment segments of a JPEG file, whole and in
// file order; empty for anything else.
std::vector<std::uint8_t> KeptJpegSegments(Bytes source);
// Writes orientation into the IFD0 orientation entry of an APP1 body ("Exif\0\0..."); false
// when it has none.
bool SetExifOrientation(std::uint8_t *body, std::size_t size, int orientation);
// The JPEG with segments inserted after SOI (and after its JFIF segment when it starts with one).
std::vector<std::uint8_t> WithSegments(Bytes jpeg, const std::vector<std::uint8_t> &segments);
// The one transform (a TJXOP_ value) that equals the steps in order (0 a quarter turn clockwise,
// 1 anticlockwise, 2 mirror, 3 flip); -1 for an unknown step.
int ComposeTurns(const int *steps, int count);
// The JPEG transformed by op on its coefficients, markers kept. Unsupported when partial edge
// blocks would move or the file carries an EXIF orientation other than normal.
Status TransformJpeg(Bytes source, int op, std::vector<std::uint8_t> &out);
// The file holds transparency the decoded picture shows flattened on white: alpha or a
// transparent colour in PNG, a transparent index in GIF, alpha bits in TGA, alpha in TIFF.
bool HasTransparency(Bytes file);

} // namespace codexa
