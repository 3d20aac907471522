#include "platform/globalmem.h"

#include <cstdint>
#include <gtest/gtest.h>

namespace
{

bool AllZero(const void *p, std::size_t n)
{
    auto *b = static_cast<const unsigned char *>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != 0)
            return false;
    return true;
}

} // namespace

TEST(GlobalMem, BlocksAreZeroedAlignedAndSized)
{
    for (std::size_t size : { std::size_t(1), std::size_t(3), std::size_t(4096), kGlobalHugeThreshold - 1,
             kGlobalHugeThreshold, std::size_t(36) << 20 }) {
        SCOPED_TRACE(size);
        HGLOBAL h = GlobalAlloc(GPTR, size);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(h) % 32, 0u);
        EXPECT_EQ(GlobalSize(h), size);
        EXPECT_EQ(GlobalLock(h), h);
        EXPECT_TRUE(GlobalUnlock(h));
        EXPECT_TRUE(AllZero(h, size));
        static_cast<unsigned char *>(h)[size - 1] = 0xAB; // whole range writable
        EXPECT_EQ(GlobalFree(h), nullptr);
    }
}

TEST(GlobalMem, LargeBlocksAreHugePageAligned)
{
    HGLOBAL h = GlobalAlloc(GMEM_FIXED, std::size_t(8) << 20);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(h) % (std::size_t(2) << 20), 0u);
    GlobalFree(h);
}

TEST(GlobalMem, NullAndZeroAreHandled)
{
    EXPECT_EQ(GlobalAlloc(GPTR, 0), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0u);
    EXPECT_FALSE(GlobalUnlock(nullptr));
    EXPECT_EQ(GlobalAlloc(GPTR, ~std::size_t(0)), nullptr);
}

TEST(GlobalMem, FailHookFailsExactlyTheNthAllocation)
{
    GlobalSetFailAt(3);
    HGLOBAL a = GlobalAlloc(GPTR, 10);
    HGLOBAL b = GlobalAlloc(GPTR, 10);
    HGLOBAL c = GlobalAlloc(GPTR, 10);
    HGLOBAL d = GlobalAlloc(GPTR, 10);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(c, nullptr);
    EXPECT_NE(d, nullptr);
    EXPECT_EQ(GlobalAllocCount(), 4);
    GlobalSetFailAt(0);
    HGLOBAL e = GlobalAlloc(GPTR, 10);
    EXPECT_NE(e, nullptr);
    for (HGLOBAL h : { a, b, d, e })
        GlobalFree(h);
}
