// The DC-only 1/8 decode behind JPEG thumbnails against libjpeg's own 1/8 decode.
#include "codec/resample.h"
#include "codec_test_util.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>

using namespace codexa;
using namespace codexa::test;

namespace
{

// libjpeg at 1/8 without fancy upsampling, as BGR or grey rows.
Picture Reference(const std::vector<std::uint8_t> &bytes)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&c, TRUE);
    const bool grey = c.jpeg_color_space == JCS_GRAYSCALE;
    c.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    c.scale_num = 1;
    c.scale_denom = 8;
    c.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&c);
    Picture pic;
    EXPECT_EQ(pic.Create(static_cast<int>(c.output_width), static_cast<int>(c.output_height), grey ? 8 : 24),
        Status::Ok);
    if (grey)
        DibGreyPalette(pic.info, 256);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = pic.RowFromTop(static_cast<int>(c.output_scanline));
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return pic;
}

// A JPEG of the pattern with the given luma sampling and restart interval (in MCUs).
// neutral: a colour JPEG of a grey picture (flat chroma).
std::vector<std::uint8_t> Encode(
    int w, int h, bool grey, int hs, int vs, unsigned restart, bool neutral = false)
{
    Picture src = MakePattern(w, h, grey ? 8 : 24, grey);
    if (neutral)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t *p = src.RowFromTop(y) + 3 * x;
                p[0] = p[2] = p[1];
            }
    jpeg_compress_struct c;
    jpeg_error_mgr e;
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = grey ? 1 : 3;
    c.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (!grey) {
        c.comp_info[0].h_samp_factor = hs;
        c.comp_info[0].v_samp_factor = vs;
    }
    c.restart_interval = restart;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = src.RowFromTop(static_cast<int>(c.next_scanline));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

Picture Eighth(const std::vector<std::uint8_t> &bytes)
{
    Picture pic;
    DibInfoBlock info {};
    EXPECT_EQ(FormatByName("jpeg")->loadReduced(AsBytes(bytes), 1, 1, pic, &info), Status::Ok);
    return pic;
}

TEST(JpegDcOnly, EqualsLibjpegUnlessChromaIsHalvedBothWays)
{
    struct Case {
        int w, h;
        bool grey;
        int hs, vs;
        unsigned restart;
        bool neutral;
    };
    // Grey, or chroma subsampled one way or not at all: the same transforms, the same result.
    // With chroma halved both ways libjpeg runs a 2 × 2 transform on it where this path takes the
    // block mean; with flat chroma that is the same, which pins down the block order of such MCUs.
    std::vector<std::vector<std::uint8_t>> files = { ReadAll(TestData("jpeg/pillow/good/hopper_gray.jpg")) };
    for (Case c : { Case { 203, 97, true, 1, 1, 0, false }, Case { 64, 64, true, 1, 1, 2, false },
             Case { 203, 97, false, 1, 1, 0, false }, Case { 203, 97, false, 2, 1, 0, false },
             Case { 203, 97, false, 1, 2, 0, false }, Case { 203, 97, false, 2, 2, 0, true },
             Case { 160, 120, false, 2, 2, 3, true }, Case { 17, 9, false, 2, 2, 1, true },
             Case { 160, 120, false, 1, 1, 5, false } })
        files.push_back(Encode(c.w, c.h, c.grey, c.hs, c.vs, c.restart, c.neutral));
    for (std::size_t i = 0; i < files.size(); ++i) {
        Picture ours = Eighth(files[i]), ref = Reference(files[i]);
        EXPECT_EQ(ours.bitCount(), ref.bitCount()) << "case " << i;
        EXPECT_EQ(MaxDifference(ours, ref), 0) << "case " << i;
    }
    // Colourful 4:2:0: chroma at half the resolution of libjpeg's; after the thumbnail's own
    // reduction real photos differ by a fraction of a level (0.2-0.3 on the benchmark corpus).
    auto bytes = Encode(320, 240, false, 2, 2, 0);
    Picture ours, ref;
    ASSERT_EQ(ResamplePicture(ViewOf(Eighth(bytes)), 10, 7, RECT { 0, 0, 10, 7 }, true, ours), Status::Ok);
    ASSERT_EQ(ResamplePicture(ViewOf(Reference(bytes)), 10, 7, RECT { 0, 0, 10, 7 }, true, ref), Status::Ok);
    EXPECT_LT(MeanDifference(ours, ref), 3.0);
}

TEST(JpegDcOnly, DamagedDataFallsBackToLibjpegOrIsRefused)
{
    // Cut inside the entropy data: the fast path refuses, libjpeg's recovery decodes what it can.
    auto bytes = Encode(160, 120, false, 2, 2, 0);
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * 2 / 3));
    Picture ours = Eighth(cut);
    ASSERT_NE(ours.bits, nullptr);
    EXPECT_EQ(ours.width(), 20);
    // A wrong restart marker number: also refused by the fast path, still decoded.
    auto rst = Encode(160, 120, false, 2, 2, 2);
    for (std::size_t i = 2; i + 1 < rst.size(); ++i)
        if (rst[i] == 0xFF && rst[i + 1] == 0xD1) {
            rst[i + 1] = 0xD5;
            break;
        }
    EXPECT_NE(Eighth(rst).bits, nullptr);
    // Three codes of length 1 cannot exist; libjpeg checks tables only when it starts decoding,
    // so the fast path meets them first and must refuse them (found by the fuzzer).
    for (std::size_t i = 0; i + 5 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC4) {
            bytes[i + 5] = 3; // the first table's count of 1-bit codes
            break;
        }
    Picture pic;
    DibInfoBlock info {};
    EXPECT_NE(FormatByName("jpeg")->loadReduced(AsBytes(bytes), 1, 1, pic, &info), Status::Ok);
}

} // namespace
