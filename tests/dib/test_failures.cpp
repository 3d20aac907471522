// Every function that replaces the caller's pair, on refused arguments and on each failing
// allocation: it returns its failure value and the pair stays exactly as it was.
#include "dibtest.h"

#include <QImage>
#include <climits>

// `call`, an expression on the pair p, returns `failure` and leaves p as it was.
#define EXPECT_FAILS_UNTOUCHED(p, call, failure)                                                             \
    do {                                                                                                     \
        const Snapshot m_before(p);                                                                          \
        EXPECT_EQ(call, failure) << #call;                                                                   \
        m_before.ExpectUnchanged(p);                                                                         \
    } while (0)

namespace
{

// Fails the first, second, ... allocation of `call` until it succeeds; each failure must leave p
// as it was.
template <class Call> void ExpectAllocationFailuresUntouched(Pic &p, Call call, const char *what, int failure)
{
    const Snapshot before(p);
    int result = failure;
    for (long n = 1; n <= 20 && result == failure; ++n) {
        SCOPED_TRACE(testing::Message() << what << ", allocation " << n << " fails");
        GlobalSetFailAt(n);
        result = call();
        GlobalSetFailAt(0);
        if (result == failure)
            before.ExpectUnchanged(p);
        else
            EXPECT_GT(n, 1) << "succeeded without allocating";
    }
    EXPECT_NE(result, failure) << what << " never succeeded";
}

} // namespace

// `call` is an expression on p, a fresh random 9 × 7 picture of `depth` bits.
#define EXPECT_ALLOCATION_FAILURES_UNTOUCHED(depth, call, failure)                                           \
    do {                                                                                                     \
        Pic p;                                                                                               \
        MakeRandom(p, 9, 7, depth, 1);                                                                       \
        ExpectAllocationFailuresUntouched(                                                                   \
            p, [&] { return call; }, #call, failure);                                                        \
    } while (0)

TEST(CallersPair, RefusedArgumentsLeaveItUntouched)
{
    Pic p1, p4, p8, p24, p32, negative;
    MakeRandom(p1, 9, 7, 1, 1);
    MakeRandom(p4, 9, 7, 4, 1);
    MakeRandom(p8, 9, 7, 8, 1);
    MakeRandom(p24, 9, 7, 24, 1);
    MakeRandom(p32, 9, 7, 32, 1);
    MakeRandom(negative, 9, 7, 24, 1);
    negative.h().biWidth = -3;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 200));
    CDC dc { &image, nullptr };

    // One refusal each: sizes whose product overflows, headers that promise more than their block,
    // negative or absurd sizes, depths a function does not take.
    EXPECT_FAILS_UNTOUCHED(p8, CreateDib(INT_MAX, INT_MAX, 32, &p8.bits, &p8.info, 0), 0);
    EXPECT_FAILS_UNTOUCHED(p8, DuplicateDibData(&p8.bits, &p8.info, negative.bits, negative.info), 0);
    p8.h().biWidth = 90; // wider than the block
    EXPECT_FAILS_UNTOUCHED(p8, AnyConvertTo24Bit(&p8.bits, &p8.info), 0);
    p8.h().biWidth = 9;
    p8.h().biHeight = 400; // taller than the block
    EXPECT_FAILS_UNTOUCHED(p8, ConvertDIBToNoFillBytes(&p8.bits, &p8.info, 0), 0);
    p8.h().biHeight = 7;
    EXPECT_FAILS_UNTOUCHED(p24, ScaleDibAll(&p24.bits, &p24.info, INT_MAX, INT_MAX, 0), 0);
    EXPECT_FAILS_UNTOUCHED(p1, DibScale1Bit(&p1.bits, &p1.info, 5, -1, 1), 0);
    EXPECT_FAILS_UNTOUCHED(p4, Scale8Or4Dib(&p4.bits, &p4.info, 5, INT_MIN, 1), 0);
    EXPECT_FAILS_UNTOUCHED(p24, Scale8BitDib(&p24.bits, &p24.info, 2, 2), 0);
    EXPECT_FAILS_UNTOUCHED(p24, ScaleAndCrop(&p24.bits, &p24.info, 45, 30, 10, 10, 10, 28), 0);
    EXPECT_FAILS_UNTOUCHED(p8, ScallBitmap(&p8.bits, &p8.info, 3, 3, p32.bits, p32.info), 0);
    SIZE size { 4, 4 };
    EXPECT_FAILS_UNTOUCHED(
        p24, DibScaleCrop2Dib(p24.info, &p24.bits, p8.info, p8.bits, &size, RECT { 9, 9, 20, 20 }, 2), 0);
    EXPECT_FAILS_UNTOUCHED(p24, Bitmap2Dib(&p24.bits, &p24.info, &image, nullptr, 7), 0);
    EXPECT_FAILS_UNTOUCHED(p24, GetDibFromDC(&dc, 0, 0, 2, -2, &p24.bits, &p24.info), 0);
    EXPECT_FAILS_UNTOUCHED(p24, ReadRes2Data(102, &p24.bits, &p24.info), -3); // 2 bits per pixel
}

TEST(CallersPair, EachFailingAllocationLeavesItUntouched)
{
    Pic src;
    MakeRandom(src, 13, 7, 24, 2);
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 200));
    CDC dc { &image, nullptr };

    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(8, CreateDib(5, 5, 24, &p.bits, &p.info, 0), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(8, DuplicateDibData(&p.bits, &p.info, src.bits, src.info), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(8, AnyConvertTo24Bit(&p.bits, &p.info), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(1, ConvertDIBToNoFillBytes(&p.bits, &p.info, 1), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(24, ScaleDibAll(&p.bits, &p.info, 3, 2, 0), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(1, DibScale1Bit(&p.bits, &p.info, 5, 5, 1), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(4, Scale8Or4Dib(&p.bits, &p.info, 5, 5, 0), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(4, Scale8Or4Dib(&p.bits, &p.info, 5, 5, 1), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(8, Scale8BitDib(&p.bits, &p.info, 4, 3), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(24, ScaleAndCrop(&p.bits, &p.info, 45, 30, 5, 10, 25, 28), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(8, ScallBitmap(&p.bits, &p.info, 16, 40, src.bits, src.info), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(24, Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 0), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(24, GetDibFromDC(&dc, 0, 0, 2, 2, &p.bits, &p.info), 0);
    EXPECT_ALLOCATION_FAILURES_UNTOUCHED(24, ReadRes2Data(101, &p.bits, &p.info), -1);

    Pic big; // reduced before it is converted
    MakeRandom(big, 1500, 1500, 4, 7);
    ExpectAllocationFailuresUntouched(
        big, [&] { return AnyConvertTo24Bit(&big.bits, &big.info); }, "AnyConvertTo24Bit reducing", 0);
}
