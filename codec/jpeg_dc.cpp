#include "codec/jpeg_dc.h"

#include <cstring>
#include <vector>

namespace codexa
{

namespace
{

constexpr int kLookBits = 9;

// A Huffman table as canonical codes: a 9-bit lookup for short codes, limits for long ones.
constexpr int kSkipBits = 12;
constexpr std::uint16_t kSkipValid = 0x8000, kSkipEnd = 0x4000;

struct Huffman {
    std::uint16_t lookup[1 << kLookBits]; // (length << 8) | symbol; 0 when longer than 9 bits
    // For AC tables: code and value bits together when they fit 11 bits: kSkipValid | kSkipEnd
    // (end of block) | (zeros before the value << 5) | total length.
    std::uint16_t skip[1 << kSkipBits];
    // As many whole symbols as the next 12 bits hold, up to an end of block: kMultiValid |
    // kMultiEnd | (coefficients advanced << 5) | total length; 0 when not even one fits.
    std::uint16_t multi[1 << kSkipBits];
    std::int32_t maxCode[18]; // largest code of each length, -1 when none
    std::int32_t valOffset[18];
    std::uint8_t values[256];

    bool Build(const JHUFF_TBL *t)
    {
        if (t == nullptr)
            return false;
        std::memset(lookup, 0, sizeof lookup);
        int count = 0;
        for (int l = 1; l <= 16; ++l)
            count += t->bits[l];
        if (count > 256)
            return false;
        std::memcpy(values, t->huffval, 256);
        std::int32_t code = 0;
        int k = 0;
        for (int l = 1; l <= 16; ++l) {
            valOffset[l] = k - code;
            for (int i = 0; i < t->bits[l]; ++i, ++k, ++code) {
                if (code >= (1 << l))
                    return false; // over-subscribed: more codes than this length holds
                if (l <= kLookBits) {
                    int shift = kLookBits - l;
                    for (int j = 0; j < (1 << shift); ++j)
                        lookup[(code << shift) | j] = static_cast<std::uint16_t>((l << 8) | values[k]);
                }
            }
            maxCode[l] = t->bits[l] ? code - 1 : -1;
            if (code > (1 << l))
                return false; // over-subscribed
            code <<= 1;
        }
        maxCode[17] = 0x7FFFFFFF;
        // The skip table, from the same canonical codes.
        std::memset(skip, 0, sizeof skip);
        code = 0;
        k = 0;
        for (int l = 1; l <= kSkipBits; ++l) {
            for (int i = 0; i < t->bits[l]; ++i, ++k, ++code) {
                const int rs = values[k], r = rs >> 4, sbits = rs & 15;
                const int total = l + sbits;
                if (total > kSkipBits)
                    continue;
                std::uint16_t e = static_cast<std::uint16_t>(kSkipValid | total);
                if (sbits == 0 && r != 15)
                    e |= kSkipEnd;
                else
                    e |= static_cast<std::uint16_t>((sbits == 0 ? 15 : r) << 5);
                const int shift = kSkipBits - l;
                for (int j = 0; j < (1 << shift); ++j)
                    skip[(code << shift) | j] = e;
            }
            code <<= 1;
        }
        for (std::uint32_t pattern = 0; pattern < (1u << kSkipBits); ++pattern) {
            int used = 0, advance = 0;
            bool end = false;
            while (used < kSkipBits) {
                const std::uint32_t window = (pattern << used) & ((1u << kSkipBits) - 1);
                const std::uint16_t e = skip[window];
                if (!(e & kSkipValid) || used + (e & 31) > kSkipBits)
                    break;
                used += e & 31;
                if (e & kSkipEnd) {
                    end = true;
                    break;
                }
                advance += ((e >> 5) & 15) + 1;
                if (advance > 63)
                    break;
            }
            multi[pattern] = used == 0 || advance > 63
                ? 0
                : static_cast<std::uint16_t>(kSkipValid | (end ? kSkipEnd : 0) | (advance << 5) | used);
        }
        return true;
    }
};

inline std::uint64_t BigEndian(std::uint64_t v)
{
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap64(v); // little-endian hosts only, like the rest of the library
#else
    std::uint64_t r = 0;
    for (int i = 0; i < 8; ++i, v >>= 8)
        r = (r << 8) | (v & 0xFF);
    return r;
#endif
}

// Entropy-coded bits with byte stuffing removed; a marker ends the data (zeros follow).
struct Bits {
    const std::uint8_t *p;
    const std::uint8_t *end;
    std::uint64_t buffer = 0;
    int count = 0;
    bool hitMarker = false;
    int fake = 0; // zero bytes fed after the data ended

    // Whether every bit taken so far was real data.
    bool Sound() const { return count >= 8 * fake; }

    void Fill()
    {
        while (count <= 56) {
            // Eight bytes at a time while none of them is 0xFF.
            if (!hitMarker && end - p >= 8) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                w = BigEndian(w);
                const std::uint64_t x = ~w;
                if (((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) == 0) {
                    const int take = (64 - count) >> 3;
                    const std::uint64_t chunk = take == 8 ? w : (w >> (64 - 8 * take));
                    buffer |= chunk << (64 - count - 8 * take);
                    p += take;
                    count += 8 * take;
                    continue;
                }
            }
            unsigned byte = 0;
            if (!hitMarker && p < end) {
                byte = *p;
                if (byte == 0xFF) {
                    if (p + 1 < end && p[1] == 0x00) {
                        p += 2;
                    } else {
                        hitMarker = true;
                        byte = 0;
                    }
                } else {
                    ++p;
                }
            } else {
                hitMarker = true;
            }
            if (hitMarker)
                ++fake;
            buffer |= static_cast<std::uint64_t>(byte) << (56 - count);
            count += 8;
        }
    }
    unsigned Peek(int n) const { return static_cast<unsigned>(buffer >> (64 - n)); }
    void Skip(int n)
    {
        buffer <<= n;
        count -= n;
    }
    int Decode(const Huffman &h)
    {
        std::uint16_t e = h.lookup[Peek(kLookBits)];
        if (e != 0) {
            Skip(e >> 8);
            return e & 0xFF;
        }
        std::int32_t code = static_cast<std::int32_t>(Peek(kLookBits));
        int l = kLookBits;
        while (code > h.maxCode[l]) {
            ++l;
            if (l > 16)
                return -1;
            code = static_cast<std::int32_t>(Peek(l));
        }
        Skip(l);
        return h.values[(code + h.valOffset[l]) & 0xFF];
    }
    int Receive(int s) // s bits as a signed value (JPEG's extend rule)
    {
        if (s == 0)
            return 0;
        int v = static_cast<int>(Peek(s));
        Skip(s);
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }
};

inline std::uint8_t Clamp(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

} // namespace

bool DecodeJpegDcOnly(j_decompress_ptr cinfo, Bytes file, Picture &pic)
{
    const int n = cinfo->num_components;
    if (cinfo->progressive_mode || cinfo->arith_code || cinfo->data_precision != 8
        || cinfo->comps_in_scan != n)
        return false;
    const bool grey = n == 1 && cinfo->jpeg_color_space == JCS_GRAYSCALE;
    const bool ycc = n == 3 && cinfo->jpeg_color_space == JCS_YCbCr;
    if (!grey && !ycc)
        return false;
    if (pic.bitCount() != (grey ? 8 : 24))
        return false;
    const int hmax = cinfo->max_h_samp_factor, vmax = cinfo->max_v_samp_factor;
    if (hmax > 2 || vmax > 2)
        return false;
    // The scan's components must be the frame's, in order; chroma at 1 × 1, luma at the maximum.
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info *comp = cinfo->cur_comp_info[c];
        if (comp != &cinfo->comp_info[c])
            return false;
        const bool luma = c == 0;
        if (luma && (comp->h_samp_factor != hmax || comp->v_samp_factor != vmax))
            return false;
        if (!luma && (comp->h_samp_factor != 1 || comp->v_samp_factor != 1))
            return false;
        if (comp->quant_tbl_no < 0 || comp->quant_tbl_no >= NUM_QUANT_TBLS
            || cinfo->quant_tbl_ptrs[comp->quant_tbl_no] == nullptr)
            return false;
    }
    const long long width = cinfo->image_width, height = cinfo->image_height;
    const int outW = static_cast<int>((width + 7) / 8), outH = static_cast<int>((height + 7) / 8);
    if (pic.width() != outW || pic.height() != outH)
        return false;
    // Entropy data starts where libjpeg stopped reading: right after the scan header.
    const std::uint8_t *start = cinfo->src->next_input_byte;
    if (start < file.data || start > file.data + file.size)
        return false;

    Huffman dc[3], ac[3];
    int quant[3];
    // Blocks of each component across the picture (at full size each block is one output sample).
    int blocksW[3], blocksH[3];
    for (int c = 0; c < n; ++c) {
        const jpeg_component_info *comp = cinfo->cur_comp_info[c];
        if (comp->dc_tbl_no < 0 || comp->dc_tbl_no >= NUM_HUFF_TBLS || comp->ac_tbl_no < 0
            || comp->ac_tbl_no >= NUM_HUFF_TBLS)
            return false;
        if (!dc[c].Build(cinfo->dc_huff_tbl_ptrs[comp->dc_tbl_no])
            || !ac[c].Build(cinfo->ac_huff_tbl_ptrs[comp->ac_tbl_no]))
            return false;
        quant[c] = cinfo->quant_tbl_ptrs[comp->quant_tbl_no]->quantval[0];
        blocksW[c] = static_cast<int>((width * comp->h_samp_factor + 8 * hmax - 1) / (8 * hmax));
        blocksH[c] = static_cast<int>((height * comp->v_samp_factor + 8 * vmax - 1) / (8 * vmax));
    }
    const int mcusX = static_cast<int>((width + 8 * hmax - 1) / (8 * hmax));
    const int mcusY = static_cast<int>((height + 8 * vmax - 1) / (8 * vmax));

    // DC samples per component, already in pixel range.
    std::vector<std::uint8_t> planes[3];
    for (int c = 0; c < n; ++c)
        planes[c].assign(static_cast<std::size_t>(blocksW[c]) * static_cast<std::size_t>(blocksH[c]), 0);

    Bits bits { start, file.data + file.size };
    int pred[3] = { 0, 0, 0 };
    const unsigned restart = cinfo->restart_interval;
    unsigned untilRestart = restart;
    int nextRst = 0;
    for (int my = 0; my < mcusY; ++my) {
        for (int mx = 0; mx < mcusX; ++mx) {
            if (restart != 0) {
                if (untilRestart == 0) {
                    // The interval's data must end exactly at RSTn (padding bits aside).
                    if (!bits.Sound() || bits.count - 8 * bits.fake >= 8)
                        return false;
                    bits.buffer = 0, bits.count = 0, bits.hitMarker = false, bits.fake = 0;
                    if (bits.p + 1 >= bits.end || bits.p[0] != 0xFF || bits.p[1] != 0xD0 + nextRst)
                        return false;
                    bits.p += 2;
                    nextRst = (nextRst + 1) & 7;
                    pred[0] = pred[1] = pred[2] = 0;
                    untilRestart = restart;
                }
                --untilRestart;
            }
            for (int c = 0; c < n; ++c) {
                const jpeg_component_info *comp = cinfo->cur_comp_info[c];
                const Huffman &dct = dc[c], &act = ac[c];
                for (int by = 0; by < comp->v_samp_factor; ++by) {
                    for (int bx = 0; bx < comp->h_samp_factor; ++bx) {
                        bits.Fill();
                        int t = bits.Decode(dct);
                        if (t < 0 || t > 11)
                            return false;
                        pred[c] += bits.Receive(t);
                        for (int k = 1; k < 64; ++k) {
                            if (bits.count < 32)
                                bits.Fill();
                            // Several symbols at once while they stay inside this block.
                            const std::uint16_t m = act.multi[bits.Peek(kSkipBits)];
                            if ((m & kSkipValid) && k + ((m >> 5) & 63) < 64) {
                                bits.Skip(m & 31);
                                if (m & kSkipEnd)
                                    break;
                                k += ((m >> 5) & 63) - 1;
                                continue;
                            }
                            const std::uint16_t e = act.skip[bits.Peek(kSkipBits)];
                            if (e & kSkipValid) {
                                bits.Skip(e & 31);
                                if (e & kSkipEnd)
                                    break;
                                k += (e >> 5) & 15;
                                continue;
                            }
                            int rs = bits.Decode(act);
                            if (rs < 0)
                                return false;
                            int r = rs >> 4, s = rs & 15;
                            if (s != 0) {
                                k += r;
                                bits.Skip(s);
                            } else if (r == 15) {
                                k += 15;
                            } else {
                                break;
                            }
                        }
                        const int x = mx * comp->h_samp_factor + bx, y = my * comp->v_samp_factor + by;
                        if (x < blocksW[c] && y < blocksH[c]) {
                            // jpeg_idct_1x1: (DC × quant + 4) >> 3, centred on 128.
                            int v = ((pred[c] * quant[c] + 4) >> 3) + 128;
                            planes[c][static_cast<std::size_t>(y) * static_cast<std::size_t>(blocksW[c])
                                + static_cast<std::size_t>(x)]
                                = Clamp(v);
                        }
                    }
                }
            }
        }
        if (!bits.Sound())
            return false; // the data ran out: leave the damage to libjpeg's recovery
    }
    if (grey) {
        for (int y = 0; y < outH; ++y)
            std::memcpy(pic.RowFromTop(y),
                planes[0].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(blocksW[0]),
                static_cast<std::size_t>(outW));
        return true;
    }
    // YCbCr to BGR with libjpeg's fixed-point tables; chroma repeated over 2 × 2 (or 2 × 1) luma.
    constexpr int kScale = 16;
    constexpr std::int32_t kHalf = 1 << (kScale - 1);
    auto fix = [](double v) { return static_cast<std::int32_t>(v * (1 << kScale) + 0.5); };
    int crR[256], cbB[256];
    std::int32_t crG[256], cbG[256];
    for (int i = 0; i < 256; ++i) {
        const std::int32_t x = i - 128;
        crR[i] = static_cast<int>((fix(1.40200) * x + kHalf) >> kScale);
        cbB[i] = static_cast<int>((fix(1.77200) * x + kHalf) >> kScale);
        crG[i] = -fix(0.71414) * x;
        cbG[i] = -fix(0.34414) * x + kHalf;
    }
    const int hs = hmax, vs = vmax;
    for (int y = 0; y < outH; ++y) {
        const std::uint8_t *yRow
            = planes[0].data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(blocksW[0]);
        const std::size_t cy = static_cast<std::size_t>(y / vs) * static_cast<std::size_t>(blocksW[1]);
        const std::uint8_t *cbRow = planes[1].data() + cy, *crRow = planes[2].data() + cy;
        std::uint8_t *out = pic.RowFromTop(y);
        for (int x = 0; x < outW; ++x, out += 3) {
            const int l = yRow[x], cb = cbRow[x / hs], cr = crRow[x / hs];
            out[2] = Clamp(l + crR[cr]);
            out[1] = Clamp(l + static_cast<int>((cbG[cb] + crG[cr]) >> kScale));
            out[0] = Clamp(l + cbB[cb]);
        }
    }
    return true;
}

} // namespace codexa
