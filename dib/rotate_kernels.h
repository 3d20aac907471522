// Row kernels of the free-angle turn and the mirror: portable versions and x86 vector versions
// with the same results, picked once per call.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

namespace dib
{

// A 24-bit source for the bilinear turn.
struct TurnRowJob {
    const BYTE *src = nullptr;
    std::size_t srcStride = 0;
    int srcWidth = 0, srcHeight = 0;
    int sn = 0, cs = 0; // per target column the source position moves by (cs, sn) / 1024
};

// One target row: column 0 samples the source at (sx, sy) in 1/1024 pixel. Pixels whose position
// lies outside [−1023, W·1024) × [−1023, H·1024) are not written ([first, last) are); those in
// [innerFirst, innerLast) have both neighbours; [vectorFirst, vectorLast) is the part of those the
// vector kernel may take.
struct TurnRow {
    std::int64_t sx = 0, sy = 0;
    std::int64_t first = 0, last = 0, innerFirst = 0, innerLast = 0, vectorFirst = 0, vectorLast = 0;
};

TurnRow PlanTurnRow(const TurnRowJob &job, std::int64_t sx, std::int64_t sy, int width);

// Writes the row's pixels of columns [from, to): bilinear, edge pixels standing in for missing
// neighbours.
using TurnRowKernel
    = void (*)(const TurnRowJob &job, const TurnRow &row, std::int64_t from, std::int64_t to, BYTE *dst);

// dst pixel x = src pixel width − 1 − x, 3 bytes each.
using MirrorRowKernel = void (*)(const BYTE *src, BYTE *dst, int width);

TurnRowKernel PickTurnRowKernel();
MirrorRowKernel PickMirrorRowKernel();

// The columns c of [0, n) for which lo ≤ a + c·k < hi, as [first, last); empty when first ≥ last.
void LinearRange(std::int64_t a, std::int64_t k, std::int64_t lo, std::int64_t hi, std::int64_t n,
    std::int64_t &first, std::int64_t &last);

} // namespace dib
