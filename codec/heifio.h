// HEIF containers through libheif, shared by the HEIC and AVIF formats.
#pragma once

#include "codec/format.h"

#include <vector>

namespace codexa
{

enum class HeifKind { None, Heic, Avif };

// What the ftyp box at the start says the file is.
HeifKind HeifBrand(Bytes head);

// page -1 = the primary picture, else the index among the top-level pictures. With a box
// (boxWidth > 0), a stored thumbnail at least as large as the fitted size stands in for the picture.
// Transformations (rotation, mirror) are applied as the file asks.
Status HeifLoad(Bytes file, int page, int boxWidth, int boxHeight, Picture &out, DibInfoBlock *sourceInfo);
int HeifPageCount(Bytes file);
// AV1 in a HEIF container; quality 100 is the encoder's best lossy quality.
Status HeifSaveAvif(const PictureView &view, const SaveOptions &options, std::vector<std::uint8_t> &out);

// The functions of a HEIF format: the probe for its brand, the shared loads and page count, and
// save where the format is written.
template <HeifKind Kind>
constexpr FormatFunctions HeifFunctions(decltype(FormatFunctions::save) save = nullptr)
{
    return { .probe = [](Bytes head, std::string_view) { return HeifBrand(head) == Kind; },
        .load = LoadUnboxed<HeifLoad>,
        .pageCount = HeifPageCount,
        .save = save,
        .loadReduced = LoadInBox<HeifLoad> };
}

} // namespace codexa
