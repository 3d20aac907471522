// Row kernels of the resampler: a portable version of each and x86 vector versions with the same
// results, picked once per resampling.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dib
{

struct BoxDivider;

// Horizontal interpolation of 24-bit rows in groups of four target pixels whose sources lie
// within 16 bytes: per group a byte shuffle and weights that give
// left · (1024 − f) + right · f for each of the 12 channels.
struct InterpolationGroups {
    std::vector<int> base; // first source byte of each group, -1 when it does not fit 16 bytes
    std::vector<BYTE> table; // per group: 3 shuffles of 16 bytes, then 3 weight vectors of 16
};

// Builds the groups for a target row of `width` pixels from a source row of `srcWidth` pixels.
bool MakeInterpolationGroups(
    const int *left, const int *right, const int *frac, int width, int srcWidth, InterpolationGroups &groups);

struct RowKernels {
    // acc[i] = Σ rows[k][i] for k < count.
    void (*sumRows16)(std::uint16_t *acc, const BYTE *const *rows, int count, std::size_t n);
    // out[i] = (lo[i] · (1024 − g) + hi[i] · g) >> 20.
    void (*blendRows)(
        const std::uint32_t *lo, const std::uint32_t *hi, std::uint32_t g, BYTE *out, std::size_t n);
    // h[3x + c] = row[3 · left[x] + c] · (1024 − frac[x]) + row[3 · right[x] + c] · frac[x], using the
    // groups where they fit.
    void (*interpolate24)(const InterpolationGroups &groups, const int *left, const int *right,
        const int *frac, int width, const BYTE *row, std::uint32_t *h);
    // Box averages of a 24-bit row from column sums of `rows` rows: out pixel x averages the
    // `count[x]` columns from `first[x]`; `dividers[c - minCount]` divides by c · rows. acc needs 16
    // readable bytes past its last column.
    void (*boxRow24)(const std::uint16_t *acc, const int *first, const int *count, int width, int rows,
        const BoxDivider *dividers, int minCount, BYTE *out);
    bool vector; // whether the vector versions were picked (the groups are then needed)
};

// The kernels for this processor (portable ones when vector kernels are switched off).
RowKernels PickRowKernels();

} // namespace dib
