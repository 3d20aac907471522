// The 1/8-scale JPEG decode for thumbnails from DC coefficients only: the entropy data is walked
// once, AC coefficients are skipped without being stored or transformed. Only for what it is
// sure of (baseline Huffman, 8-bit, one interleaved scan of grey or YCbCr with luma sampling up
// to 2 × 2 and chroma 1 × 1, no damage); the result equals libjpeg's 1/8 decode without fancy
// upsampling.
#pragma once

#include "codec/format.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

namespace codexa
{

// cinfo: after jpeg_read_header (the first scan's header read, nothing decoded), with output
// dimensions computed for scale 1/8. pic: already created at the output size, 8-bit grey or
// 24-bit. False when the file is not one it handles or the data is damaged; pic may then hold
// garbage and cinfo is untouched, so the caller can go on with libjpeg.
bool DecodeJpegDcOnly(j_decompress_ptr cinfo, Bytes file, Picture &pic);

} // namespace codexa
