// The integer resampler behind ScaleDibAll, Scale8BitDib and DibScale1Bit: per axis, box
// averaging when the axis is reduced by half or more, else linear interpolation, with positions
// in 1/1024 of a source pixel.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dib
{

// Source and target of one resampling. Rows are in memory order; `channels` bytes per pixel
// (1 or 3). With `oneBit` the source rows are 1-bit (most significant bit first) and each pixel
// reads as 0 or 255 (one channel).
struct ResampleJob {
    const BYTE *src = nullptr;
    std::size_t srcStride = 0;
    int srcWidth = 0;
    int srcHeight = 0;
    int channels = 1;
    bool oneBit = false;
    BYTE *dst = nullptr;
    std::size_t dstStride = 0;
    int dstWidth = 0; // at least 1
    int dstHeight = 0;
};

// Fills the target rows (padding is left alone). False only when working memory runs out.
bool Resample(const ResampleJob &job);

// One axis of the scheme, exposed for tests.
struct ResampleAxis {
    bool box = false;
    std::vector<int> first; // box: first source index; linear: the left (lower) neighbour
    std::vector<int> other; // box: number of source pixels; linear: the right (upper) neighbour
    std::vector<int> frac; // linear: fraction 0 ... 1023
    int minCount = 0;
    int maxCount = 0;
};
bool MakeResampleAxis(int src, int dst, ResampleAxis &axis);

// n / d for d ≥ 1, exact for every n ≤ 255 · d (the sums the box averages divide).
struct BoxDivider {
    std::uint64_t magic = 0;
    std::uint64_t d = 1;
    explicit BoxDivider(std::uint64_t divisor = 1);
    std::uint64_t operator()(std::uint64_t n) const { return magic ? (n * magic) >> 40 : n / d; }
};

} // namespace dib
