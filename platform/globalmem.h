// Global memory blocks: fixed, zero-initialised, with a size header so GlobalSize works.
// The handle is the pixel pointer itself (32-byte aligned). Large blocks are 2 MB aligned and
// backed by transparent huge pages where the system offers them, which makes first touch cheap.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>

#ifndef _WIN32

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

extern "C" {
// Every block is fixed and zero-initialised whatever the flags say. Null for 0 bytes or failure.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Null on success (and for a null handle); the handle back when it is not one of ours.
HGLOBAL GlobalFree(HGLOBAL block);
// Requested size of the block, 0 for null or foreign handles.
std::size_t GlobalSize(HGLOBAL block);
void *GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
}

#endif

// Blocks of at least this size take the huge-page path.
constexpr std::size_t kGlobalHugeThreshold = std::size_t(2) << 20;

// Test hook: the n-th allocation from now (1 = the next one) fails; 0 switches the hook off.
// Each module that links the platform layer has its own counter.
void GlobalSetFailAt(long n);
// Allocations made since the hook was last set (counts successes and the failure).
long GlobalAllocCount();
