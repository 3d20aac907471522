// Scale, crop and convert in one pass: rows are converted to 24-bit or 8-bit grey work rows,
// resampled horizontally with 8-bit fractions (or averaged when reducing), then vertically.
#include "dib/resample.h"
#include "dib/scale.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace dib
{

namespace
{

constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();

// Which source pixels (or rows) make each target pixel (or row) of [begin, end) on one axis.
// Enlarging: linear between `first` and `other` with an 8-bit fraction. Reducing: the average of
// `other` pixels from `first` on.
struct CropAxis {
    bool enlarge = false;
    std::vector<int> first;
    std::vector<int> other;
    std::vector<int> frac;
    std::vector<BoxDivider> dividers;
};

bool MakeCropAxis(std::int64_t src, std::int64_t full, std::int64_t begin, std::int64_t end, CropAxis &a)
{
    const auto n = static_cast<std::size_t>(end - begin);
    try {
        a.first.assign(n, 0);
        a.other.assign(n, 0);
        a.frac.assign(n, 0);
        a.dividers.assign(n, BoxDivider(1));
    } catch (...) {
        return false;
    }
    a.enlarge = full > src;
    if (a.enlarge) {
        for (std::int64_t x = begin; x < end; ++x) {
            const std::int64_t i = x * src / full;
            const auto k = static_cast<std::size_t>(x - begin);
            a.first[k] = static_cast<int>(i);
            a.other[k] = static_cast<int>(std::min(i + 1, src - 1));
            a.frac[k] = static_cast<int>((x * src) % full * 256 / full);
        }
        return true;
    }
    // Walk the source from begin · src / full: after adding pixel i, target t is complete once
    // i · full / src reaches it.
    std::int64_t t = begin;
    std::int64_t start = begin * src / full;
    for (std::int64_t i = start; t < end && i < src; ++i) {
        if (i * full / src >= t) {
            const auto k = static_cast<std::size_t>(t - begin);
            a.first[k] = static_cast<int>(start);
            a.other[k] = static_cast<int>(i - start + 1);
            a.dividers[k] = BoxDivider(static_cast<std::uint64_t>(i - start + 1));
            start = i + 1;
            ++t;
        }
    }
    return true;
}

constexpr std::array<std::array<BYTE, 8>, 256> MakeBitTable()
{
    std::array<std::array<BYTE, 8>, 256> t {};
    for (int v = 0; v < 256; ++v)
        for (int b = 0; b < 8; ++b)
            t[v][b] = (v >> (7 - b)) & 1 ? 255 : 0;
    return t;
}
constexpr auto kBits = MakeBitTable();

struct Job {
    const BYTE *src;
    std::size_t srcStride;
    int width; // source
    int bitCount;
    int channels; // of the output: 1 (grey) or 3
    std::array<BYTE, 256 * 3> lut; // palette index → output bytes
    CropAxis ax;
    CropAxis ay;
    int outWidth;
    BYTE *dst;
    std::size_t dstStride;
};

// Source row y as output-depth bytes.
void ConvertRow(const Job &j, int y, BYTE *work)
{
    const BYTE *s = j.src + std::size_t(y) * j.srcStride;
    const int w = j.width;
    const int c = j.channels;
    switch (j.bitCount) {
    case 1:
        for (int i = 0, n = (w + 7) / 8; i < n; ++i)
            std::memcpy(work + 8 * i, kBits[s[i]].data(), 8);
        break;
    case 4:
        for (int x = 0; x < w; ++x) {
            int index = x & 1 ? s[x >> 1] & 15 : s[x >> 1] >> 4;
            std::memcpy(work + x * c, &j.lut[std::size_t(index) * 3], std::size_t(c));
        }
        break;
    case 8:
        if (c == 1)
            for (int x = 0; x < w; ++x)
                work[x] = j.lut[std::size_t(s[x]) * 3];
        else
            for (int x = 0; x < w; ++x)
                std::memcpy(work + x * 3, &j.lut[std::size_t(s[x]) * 3], 3);
        break;
    case 16:
        for (int x = 0; x < w; ++x) {
            unsigned v = s[2 * x] | (s[2 * x + 1] << 8);
            work[3 * x] = static_cast<BYTE>((v & 31) << 3);
            work[3 * x + 1] = static_cast<BYTE>(((v >> 5) & 31) << 3);
            work[3 * x + 2] = static_cast<BYTE>(((v >> 10) & 31) << 3);
        }
        break;
    case 24:
        std::memcpy(work, s, std::size_t(w) * 3);
        break;
    default: // 32
        for (int x = 0; x < w; ++x)
            std::memcpy(work + 3 * x, s + 4 * x, 3);
        break;
    }
}

// Work row resampled to the crop's columns.
template <int C> void ResampleRow(const Job &j, const BYTE *work, BYTE *out)
{
    const CropAxis &a = j.ax;
    const int n = j.outWidth;
    if (a.enlarge) {
        for (int x = 0; x < n; ++x) {
            const BYTE *p = work + std::size_t(a.first[x]) * C;
            const BYTE *q = work + std::size_t(a.other[x]) * C;
            const unsigned f = static_cast<unsigned>(a.frac[x]);
            for (int c = 0; c < C; ++c)
                out[x * C + c] = static_cast<BYTE>((p[c] * (256 - f) + q[c] * f) >> 8);
        }
        return;
    }
    for (int x = 0; x < n; ++x) {
        const BYTE *p = work + std::size_t(a.first[x]) * C;
        const int count = a.other[x];
        for (int c = 0; c < C; ++c) {
            std::uint64_t sum = 0;
            for (int k = 0; k < count; ++k)
                sum += p[k * C + c];
            out[x * C + c] = static_cast<BYTE>(count ? a.dividers[x](sum) : 0);
        }
    }
}

struct BandMemory {
    std::vector<BYTE> work;
    std::vector<BYTE> rows[2];
    std::vector<std::uint32_t> sums;
};

template <int C> void RunRows(const Job &j, BandMemory &m, int t0, int t1)
{
    const std::size_t n = std::size_t(j.outWidth) * C;
    int tag[2] = { -1, -1 };
    int evict = 0;
    auto row = [&](int y) -> const BYTE * {
        for (int k = 0; k < 2; ++k)
            if (tag[k] == y) {
                evict = 1 - k;
                return m.rows[k].data();
            }
        int k = evict;
        ConvertRow(j, y, m.work.data());
        ResampleRow<C>(j, m.work.data(), m.rows[k].data());
        tag[k] = y;
        evict = 1 - k;
        return m.rows[k].data();
    };
    const CropAxis &a = j.ay;
    for (int t = t0; t < t1; ++t) {
        BYTE *out = j.dst + std::size_t(t) * j.dstStride;
        if (a.enlarge) {
            const BYTE *cur = row(a.first[t]);
            const BYTE *next = row(a.other[t]);
            const unsigned g = static_cast<unsigned>(a.frac[t]);
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<BYTE>((next[i] * g + cur[i] * (256 - g)) >> 8);
            continue;
        }
        const int count = a.other[t];
        if (count == 0)
            continue;
        std::fill(m.sums.begin(), m.sums.end(), 0u);
        for (int k = 0; k < count; ++k) {
            const BYTE *r = row(a.first[t] + k);
            for (std::size_t i = 0; i < n; ++i)
                m.sums[i] += r[i];
        }
        const BoxDivider &div = a.dividers[t];
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<BYTE>(div(m.sums[i]));
    }
}

bool GreyPalette(const BITMAPINFO *info)
{
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biBitCount > 8)
        return false;
    int n
        = h.biClrUsed != 0 ? static_cast<int>(std::min<DWORD>(h.biClrUsed, kMaxColours)) : 1 << h.biBitCount;
    const RGBQUAD *p = Colours(info);
    for (int i = 0; i < n; ++i)
        if (p[i].rgbBlue != p[i].rgbGreen || p[i].rgbBlue != p[i].rgbRed)
            return false;
    return true;
}

bool CopySource(const Shape &shape, const BYTE *src, Block &outBits)
{
    Block copy(shape.size);
    if (!copy)
        return false;
    std::memcpy(copy.data(), src, shape.size);
    outBits = std::move(copy);
    return true;
}

} // namespace

bool ScaleCrop(const BITMAPINFO *srcInfo, const BYTE *srcBits, SIZE &size, RECT crop, int mode,
    DibInfoBlock &out, std::size_t &outBytes, Block &outBits)
{
    Shape shape;
    if (srcInfo == nullptr || srcBits == nullptr || !CheckPicture(srcInfo->bmiHeader, shape))
        return false;
    const std::int64_t W = shape.width;
    const std::int64_t H = shape.height;
    const int bitCount = shape.bitCount;
    std::int64_t tw = std::max<std::int64_t>(size.cx, 1);
    std::int64_t th = std::max<std::int64_t>(size.cy, 1);

    // The source header and its palette.
    const int paletteEntries = bitCount <= 8 ? 1 << bitCount : 0;
    outBytes = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(paletteEntries);
    std::memcpy(&out, srcInfo, outBytes);

    std::int64_t left = crop.left, top = crop.top, right = crop.right, bottom = crop.bottom;
    if ((left == -1 && top == -1 && right == -1 && bottom == -1) || mode == 0) {
        left = top = 0;
        right = tw;
        bottom = th;
    }
    if (right - left < 1 || bottom - top < 1)
        return false;

    std::int64_t fullW = tw, fullH = th;
    if (mode == 1) {
        // The rectangle is in source pixels; the whole source is scaled so that it comes out at
        // the requested size.
        left = std::max<std::int64_t>(left, 0);
        top = std::max<std::int64_t>(top, 0);
        right = std::min(right, W);
        bottom = std::min(bottom, H);
        if (right - left < 1 || bottom - top < 1)
            return false;
        const std::int64_t rw = right - left, rh = bottom - top;
        fullW = std::max<std::int64_t>(tw * W / rw, 1);
        fullH = std::max<std::int64_t>(th * H / rh, 1);
        left = left * tw / rw;
        top = top * th / rh;
        right = left + tw;
        bottom = top + th;
    } else if (mode == 0) {
        // Fit, keeping the aspect (corrected for unequal resolutions), never enlarging.
        std::int64_t effH = H;
        const LONG xres = srcInfo->bmiHeader.biXPelsPerMeter, yres = srcInfo->bmiHeader.biYPelsPerMeter;
        if (xres != yres && xres >= 1 && yres >= 1) {
            out.bmiHeader.biYPelsPerMeter = xres;
            effH = std::max<std::int64_t>(H * xres / yres, 1);
        }
        const double rx = double(tw) / double(W), ry = double(th) / double(effH);
        if (rx < ry)
            th = static_cast<std::int64_t>(double(effH) * rx);
        else
            tw = static_cast<std::int64_t>(ry * double(W));
        if (tw >= W && th >= effH) {
            if (tw > kIntMax || th > kIntMax || !CopySource(shape, srcBits, outBits))
                return false;
            size.cx = static_cast<LONG>(tw);
            size.cy = static_cast<LONG>(th);
            return true;
        }
        tw = std::max<std::int64_t>(tw, 1);
        th = std::max<std::int64_t>(th, 1);
        fullW = tw;
        fullH = th;
        left = top = 0;
        right = tw;
        bottom = th;
    }
    if (fullW > kIntMax || fullH > kIntMax)
        return false;

    // Clip to the full target and turn upside down: rows are stored bottom-up.
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min(right, fullW);
    bottom = std::min(bottom, fullH);
    if (right <= left || bottom <= top)
        return false;
    const std::int64_t memTop = fullH - bottom, memBottom = fullH - top;

    if (fullW == W && fullH == H && left == 0 && memTop == 0 && right == W && memBottom == H) {
        if (!CopySource(shape, srcBits, outBits))
            return false;
        size.cx = static_cast<LONG>(tw);
        size.cy = static_cast<LONG>(th);
        return true;
    }

    const bool grey = bitCount == 1 || GreyPalette(srcInfo);
    const int outDepth = grey ? 8 : 24;
    const int outW = static_cast<int>(right - left), outH = static_cast<int>(memBottom - memTop);
    const std::size_t outSize = ImageBytes(outW, outH, outDepth);
    if (outSize == 0)
        return false;

    Job job {};
    job.src = srcBits;
    job.srcStride = shape.stride;
    job.width = shape.width;
    job.bitCount = bitCount;
    job.channels = grey ? 1 : 3;
    job.outWidth = outW;
    job.dstStride = static_cast<std::size_t>(DibStride(outW, outDepth));
    if (bitCount == 4 || bitCount == 8) {
        // Every index reads the 1064-byte block's entry, also past the colours-used count.
        const int n = 1 << bitCount;
        const RGBQUAD *p = Colours(srcInfo);
        for (int i = 0; i < n; ++i) {
            job.lut[std::size_t(i) * 3] = p[i].rgbBlue;
            job.lut[std::size_t(i) * 3 + 1] = p[i].rgbGreen;
            job.lut[std::size_t(i) * 3 + 2] = p[i].rgbRed;
        }
    }
    if (!MakeCropAxis(W, fullW, left, right, job.ax) || !MakeCropAxis(H, fullH, memTop, memBottom, job.ay))
        return false;

    Block bits(outSize);
    if (!bits)
        return false;
    job.dst = bits.data();

    const int bands = std::min(ThreadsFor(W * H / 2 + std::int64_t(outW) * outH), outH);
    std::vector<BandMemory> memory;
    try {
        memory.resize(static_cast<std::size_t>(bands));
        for (auto &m : memory) {
            m.work.assign(std::size_t(W) * 3 + 8, 0);
            m.rows[0].assign(std::size_t(outW) * 3, 0);
            m.rows[1].assign(std::size_t(outW) * 3, 0);
            m.sums.assign(std::size_t(outW) * job.channels, 0);
        }
    } catch (...) {
        return false;
    }
    ParallelBands(outH, bands, [&](int band, int t0, int t1) {
        BandMemory &m = memory[static_cast<std::size_t>(band)];
        if (job.channels == 1)
            RunRows<1>(job, m, t0, t1);
        else
            RunRows<3>(job, m, t0, t1);
    });

    BITMAPINFOHEADER &h = out.bmiHeader;
    h.biWidth = outW;
    h.biHeight = outH;
    h.biBitCount = static_cast<WORD>(outDepth);
    h.biSizeImage = static_cast<DWORD>(outSize);
    if (grey) {
        RGBQUAD *p = out.bmiColors;
        if (bitCount == 1) {
            const RGBQUAD c0 = Colours(srcInfo)[0], c1 = Colours(srcInfo)[1];
            for (int i = 0; i < 256; ++i)
                p[i] = RGBQUAD { static_cast<BYTE>(c0.rgbBlue + i * (c1.rgbBlue - c0.rgbBlue) / 255),
                    static_cast<BYTE>(c0.rgbGreen + i * (c1.rgbGreen - c0.rgbGreen) / 255),
                    static_cast<BYTE>(c0.rgbRed + i * (c1.rgbRed - c0.rgbRed) / 255), 0 };
        } else {
            for (int i = 0; i < 256; ++i)
                p[i] = RGBQUAD { static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0 };
        }
        h.biClrUsed = 256;
        outBytes = kDibInfoBlockSize;
    } else {
        h.biClrUsed = 0;
        h.biClrImportant = 0;
    }
    outBits = std::move(bits);
    size.cx = static_cast<LONG>(tw);
    size.cy = static_cast<LONG>(th);
    return true;
}

} // namespace dib
