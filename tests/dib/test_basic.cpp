#include "dibtest.h"

// ---- CreateDib ----

TEST(CreateDib, RowsArePaddedAndEveryByteFilled)
{
    for (auto [w, depth, stride] : { std::tuple { 3, 24, 12 }, std::tuple { 3, 1, 4 }, std::tuple { 5, 4, 4 },
             std::tuple { 33, 1, 8 }, std::tuple { 3, 16, 8 }, std::tuple { 7, 32, 28 } }) {
        SCOPED_TRACE(testing::Message() << w << " pixels of " << depth << " bits");
        Pic p;
        ASSERT_NE(CreateDib(w, 2, static_cast<WORD>(depth), &p.bits, &p.info, 0xA5), 0);
        const BITMAPINFOHEADER expected { 40, w, 2, 1, WORD(depth), BI_RGB, DWORD(stride * 2), 3780, 3780, 0,
            0 };
        EXPECT_EQ(std::memcmp(&p.h(), &expected, 40), 0);
        ASSERT_EQ(GlobalSize(p.bits), std::size_t(stride) * 2);
        const std::vector<BYTE> all(static_cast<BYTE *>(p.bits), static_cast<BYTE *>(p.bits) + stride * 2);
        EXPECT_EQ(all, std::vector<BYTE>(all.size(), 0xA5)); // padding too
    }
}

TEST(CreateDib, ReusesTheCallersHeaderAndKeepsItsPalette)
{
    Pic p;
    MakeRandom(p, 4, 4, 8, 1);
    const RGBQUAD colour = p.colours()[200];
    BITMAPINFO *header = p.info;
    ASSERT_NE(CreateDib(9, 3, 4, &p.bits, &p.info, 0), 0);
    EXPECT_EQ(p.info, header);
    EXPECT_EQ(p.h().biBitCount, 4);
    EXPECT_EQ(p.colours()[200].rgbGreen, colour.rgbGreen);
    EXPECT_EQ(GlobalSize(p.bits), 24u); // rows of 8 bytes
}

// ---- DuplicateDibData ----

TEST(DuplicateDibData, CopiesHeaderUsedPaletteAndPixels)
{
    Pic src, dst;
    MakeRandom(src, 13, 7, 4, 2);
    MakeRandom(dst, 3, 3, 8, 3);
    src.h().biClrUsed = 9;
    ASSERT_EQ(DuplicateDibData(&dst.bits, &dst.info, src.bits, src.info), 1);
    EXPECT_NE(dst.info, src.info);
    EXPECT_NE(dst.bits, src.bits);
    EXPECT_EQ(std::memcmp(dst.info, src.info, 40 + 9 * 4), 0);
    EXPECT_EQ(dst.colours()[9].rgbBlue, 0); // only the used colours are copied
    EXPECT_EQ(GlobalSize(dst.bits), std::size_t(src.stride()) * 7);
    EXPECT_EQ(Pixels(dst), Pixels(src));
}

// ---- Palette sizes and header copies ----

TEST(GetPaletteEntry, FollowsTheColoursUsedThenTheDepth)
{
    DibInfoBlock block {};
    auto *info = reinterpret_cast<BITMAPINFO *>(&block);
    for (auto [depth, used, expected] : { std::tuple { 8, 0u, 256 }, std::tuple { 24, 0u, 0 },
             std::tuple { 1, 0u, 2 }, std::tuple { 2, 0u, 4 }, std::tuple { 4, 0u, 16 },
             std::tuple { 8, 7u, 7 }, std::tuple { 24, 3u, 3 }, std::tuple { 8, 100000u, 256 } }) {
        block.bmiHeader.biBitCount = static_cast<WORD>(depth);
        block.bmiHeader.biClrUsed = used;
        EXPECT_EQ(GetPaletteEntry(info), expected) << depth << " bits, " << used << " used";
    }
    EXPECT_EQ(GetPaletteEntry(nullptr), 0);
}

TEST(CreateNewBitmapInfo, CopiesTheHeaderWithTheRightNumberOfColours)
{
    // The copy holds the header and n palette entries; the caller frees it with ::operator delete
    // (under the sanitizers a wrong allocator or a short block shows here).
    Pic p;
    MakeRandom(p, 4, 4, 24, 1);
    BITMAPINFO *copy = CreateNewBitmapInfo(p.info);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, p.info, 44), 0); // 40 + one entry for deep pictures
    ::operator delete(static_cast<void *>(copy));

    p.h().biBitCount = 4;
    copy = CreateNewBitmapInfo(p.info);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, p.info, 40 + 16 * 4), 0);
    ::operator delete(static_cast<void *>(copy));

    p.h().biBitCount = 8;
    copy = CreateNewBmpInfoColor(p.info, 5);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->bmiHeader.biClrUsed, 5u);
    copy->bmiHeader.biClrUsed = p.h().biClrUsed;
    EXPECT_EQ(std::memcmp(copy, p.info, 40 + 5 * 4), 0);
    ::operator delete(static_cast<void *>(copy));

    EXPECT_EQ(CreateNewBmpInfoColor(p.info, -1), nullptr);
    EXPECT_EQ(CreateNewBmpInfoColor(p.info, 257), nullptr);
    EXPECT_EQ(CreateNewBmpInfoColor(nullptr, 2), nullptr);
    EXPECT_EQ(CreateNewBitmapInfo(nullptr), nullptr);
}

// ---- AnyConvertTo24Bit ----

TEST(AnyConvertTo24Bit, SixteenBitWordsShiftWithoutReplicatingTheTopBits)
{
    Pic p;
    ASSERT_TRUE(CreateDib(5, 1, 16, &p.bits, &p.info, 0));
    const WORD words[5] = { 0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x8000 }; // bit 15 is ignored
    std::memcpy(p.bits, words, sizeof words);
    ASSERT_EQ(AnyConvertTo24Bit(&p.bits, &p.info), 1);
    EXPECT_TRUE(HasShape(p, 5, 1, 24));
    const BYTE expected[15] = { 248, 248, 248, 248, 0, 0, 0, 248, 0, 0, 0, 248, 0, 0, 0 };
    EXPECT_EQ(std::memcmp(p.bits, expected, 15), 0);
}

TEST(AnyConvertTo24Bit, PaletteAndThirtyTwoBitPicturesConvertAtTheirSize)
{
    for (int depth : { 1, 4, 8, 32 }) {
        SCOPED_TRACE(depth);
        Pic p;
        MakeRandom(p, 11, 5, depth, unsigned(depth));
        // Indices past the colours-used count take the block's entries too.
        if (depth <= 8)
            p.h().biClrUsed = 1;
        const auto expected = Grid(11, 5, [&](int x, int y) { return p.bgr(x, y); });
        const RGBQUAD keep = p.colours()[1];
        ASSERT_EQ(AnyConvertTo24Bit(&p.bits, &p.info), 1);
        EXPECT_EQ(p.h().biBitCount, 24);
        EXPECT_EQ(p.h().biClrUsed, 0u);
        EXPECT_EQ(p.h().biXPelsPerMeter, 3780);
        EXPECT_EQ(Grid(11, 5, [&](int x, int y) { return p.bgr(x, y); }), expected);
        EXPECT_EQ(p.colours()[1].rgbRed, keep.rgbRed); // the old palette bytes stay
    }
}

TEST(AnyConvertTo24Bit, LargePalettePicturesAreReducedFirst)
{
    Pic p;
    MakeRandom(p, 2000, 2000, 8, 5);
    // Nearest neighbour on a grid of sample points, every 181st pixel and the last.
    const auto expected = Grid(9, 9, [&](int x, int y) {
        return p.bgr(std::min(181 * x, 1447) * 2000 / 1448, std::min(181 * y, 1447) * 2000 / 1448);
    });
    ASSERT_EQ(AnyConvertTo24Bit(&p.bits, &p.info), 1);
    EXPECT_TRUE(HasShape(p, 1448, 1448, 24));
    EXPECT_EQ(p.h().biXPelsPerMeter, 2737);
    EXPECT_EQ(p.h().biYPelsPerMeter, 2737);
    EXPECT_EQ(
        Grid(9, 9, [&](int x, int y) { return p.bgr(std::min(181 * x, 1447), std::min(181 * y, 1447)); }),
        expected);
}

TEST(AnyConvertTo24Bit, DeepPicturesAreNeverReduced)
{
    Pic p;
    ASSERT_TRUE(CreateDib(3000, 3000, 24, &p.bits, &p.info, 9));
    Snapshot before(p);
    EXPECT_EQ(AnyConvertTo24Bit(&p.bits, &p.info), 1);
    before.ExpectUnchanged(p);
}

// ---- ConvertDIBToNoFillBytes ----

TEST(ConvertDIBToNoFillBytes, ExpandsOneAndFourBitsToAByteEachPixel)
{
    Pic p;
    MakeRandom(p, 10, 3, 1, 8);
    const auto expected = Grid(10, 3, [&](int x, int y) { return BYTE(p.index(x, y)); });
    ASSERT_EQ(ConvertDIBToNoFillBytes(&p.bits, &p.info, 1), 1);
    EXPECT_EQ(p.h().biBitCount, 8);
    EXPECT_EQ(p.h().biClrUsed, 256u);
    ASSERT_EQ(GlobalSize(p.bits), 30u);
    EXPECT_EQ(std::memcmp(p.bits, expected.data(), 30), 0);

    Pic q; // four bits: high nibble first
    ASSERT_TRUE(CreateDib(5, 2, 4, &q.bits, &q.info, 0));
    std::memcpy(q.row(0), "\x12\x34\x50", 3);
    std::memcpy(q.row(1), "\xAB\xCD\xE0", 3);
    ASSERT_EQ(ConvertDIBToNoFillBytes(&q.bits, &q.info, 1), 1);
    const BYTE nibbles[10] = { 1, 2, 3, 4, 5, 10, 11, 12, 13, 14 };
    EXPECT_EQ(std::memcmp(q.bits, nibbles, 10), 0);
}

TEST(ConvertDIBToNoFillBytes, WithoutExpansionRowsArePackedInTheSameBlockSize)
{
    for (auto [depth, expand] : { std::pair { 24, 1 }, std::pair { 1, 0 }, std::pair { 8, 1 } }) {
        SCOPED_TRACE(depth);
        Pic p;
        MakeRandom(p, 5, 4, depth, 9);
        const std::vector<BYTE> expected = Pixels(p);
        const std::size_t size = GlobalSize(p.bits);
        const BITMAPINFOHEADER header = p.h();
        ASSERT_EQ(ConvertDIBToNoFillBytes(&p.bits, &p.info, expand), 1);
        EXPECT_EQ(GlobalSize(p.bits), size);
        EXPECT_EQ(std::memcmp(p.bits, expected.data(), expected.size()), 0);
        EXPECT_EQ(std::memcmp(&p.h(), &header, 40), 0);
    }
}
