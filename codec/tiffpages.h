// A TIFF file of several pages, for saves that replace one page of a multi-page file.
#pragma once

#include "codec/format.h"

#include <vector>

namespace codexa
{

// Encodes the pictures as the pages of one TIFF file, in order.
Status SaveTiffPages(const std::vector<PictureView> &pages, std::vector<std::uint8_t> &out);
// The first page carries an alpha channel.
bool TiffHasAlpha(Bytes file);

} // namespace codexa
