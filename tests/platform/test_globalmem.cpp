#include "platform/globalmem.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

TEST(GlobalMem, BlocksAreZeroedAlignedAndSized)
{
    for (std::size_t size : { std::size_t(1), std::size_t(4096), kGlobalHugeThreshold - 1,
             kGlobalHugeThreshold, std::size_t(36) << 20 }) {
        SCOPED_TRACE(size);
        HGLOBAL h = GlobalAlloc(GPTR, size);
        ASSERT_NE(h, nullptr);
        // Large blocks take the huge-page path and are 2 MB aligned.
        const std::uintptr_t align = size >= kGlobalHugeThreshold ? std::uintptr_t(2) << 20 : 32;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(h) % align, 0u);
        EXPECT_EQ(GlobalSize(h), size);
        const auto *bytes = static_cast<unsigned char *>(h);
        EXPECT_TRUE(std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; }));
        static_cast<unsigned char *>(h)[size - 1] = 0xAB; // whole range writable
        EXPECT_EQ(GlobalFree(h), nullptr);
    }
    EXPECT_EQ(GlobalAlloc(GPTR, 0), nullptr);
    EXPECT_EQ(GlobalAlloc(GPTR, ~std::size_t(0)), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMem, FailHookFailsExactlyTheNthAllocation)
{
    GlobalSetFailAt(3);
    HGLOBAL h[5] = {};
    for (HGLOBAL &block : h)
        block = GlobalAlloc(GPTR, 10);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(h[i] == nullptr, i == 2) << i;
    EXPECT_EQ(GlobalAllocCount(), 5);
    GlobalSetFailAt(0);
    HGLOBAL after = GlobalAlloc(GPTR, 10);
    EXPECT_NE(after, nullptr);
    GlobalFree(after);
    for (HGLOBAL block : h)
        GlobalFree(block);
}
