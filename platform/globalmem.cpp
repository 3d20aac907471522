#include "platform/globalmem.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace
{

constexpr std::uint64_t kMagicHeap = 0x54475f4845415031ull; // "TG_HEAP1"
constexpr std::uint64_t kMagicMap = 0x54475f4d41505031ull; // "TG_MAPP1"
constexpr std::size_t kAlign = 32;
constexpr std::size_t kHuge = std::size_t(2) << 20;

// Lies directly before the pointer handed out; 64 bytes keep the pointer 32-byte aligned.
struct alignas(32) BlockHeader {
    std::uint64_t magic;
    std::size_t size;
    void *base;
    std::size_t mapped;
    std::uint8_t pad[32];
};
static_assert(sizeof(BlockHeader) == 64);

std::atomic<long> g_failAt { 0 };
std::atomic<long> g_count { 0 };

bool ShouldFail()
{
    long n = g_count.fetch_add(1) + 1;
    long at = g_failAt.load();
    return at > 0 && n == at;
}

BlockHeader *HeaderOf(HGLOBAL block)
{
    if (block == nullptr || reinterpret_cast<std::uintptr_t>(block) % kAlign != 0)
        return nullptr;
    auto *h = reinterpret_cast<BlockHeader *>(static_cast<char *>(block) - sizeof(BlockHeader));
    if (h->magic != kMagicHeap && h->magic != kMagicMap)
        return nullptr;
    return h;
}

#if defined(__linux__)
void *MapHuge(std::size_t bytes)
{
    // Room for the header page in front of a 2 MB-aligned start, rounded up to whole huge pages.
    std::size_t body = (bytes + kHuge - 1) / kHuge * kHuge;
    if (body < bytes)
        return nullptr;
    std::size_t mapped = body + kHuge + kHuge;
    if (mapped < body)
        return nullptr;
    void *base = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    auto start = reinterpret_cast<std::uintptr_t>(base) + sizeof(BlockHeader);
    std::uintptr_t aligned = (start + kHuge - 1) / kHuge * kHuge;
    madvise(reinterpret_cast<void *>(aligned), body, MADV_HUGEPAGE);
    auto *h = reinterpret_cast<BlockHeader *>(aligned - sizeof(BlockHeader));
    h->magic = kMagicMap;
    h->size = bytes;
    h->base = base;
    h->mapped = mapped;
    return reinterpret_cast<void *>(aligned);
}
#endif

void *HeapBlock(std::size_t bytes)
{
    std::size_t total = sizeof(BlockHeader) + bytes;
    if (total < bytes)
        return nullptr;
    total = (total + kAlign - 1) / kAlign * kAlign;
    void *base = std::aligned_alloc(kAlign, total);
    if (base == nullptr)
        return nullptr;
    std::memset(base, 0, total);
    auto *h = static_cast<BlockHeader *>(base);
    h->magic = kMagicHeap;
    h->size = bytes;
    h->base = base;
    h->mapped = total;
    return static_cast<char *>(base) + sizeof(BlockHeader);
}

} // namespace

extern "C" HGLOBAL GlobalAlloc(UINT, std::size_t bytes)
{
    if (bytes == 0 || ShouldFail())
        return nullptr;
    // Refuse sizes no picture can have rather than asking the system for them.
    if (bytes > (std::size_t(1) << 40))
        return nullptr;
#if defined(__linux__)
    if (bytes >= kGlobalHugeThreshold)
        return MapHuge(bytes);
#endif
    return HeapBlock(bytes);
}

extern "C" HGLOBAL GlobalFree(HGLOBAL block)
{
    if (block == nullptr)
        return nullptr;
    BlockHeader *h = HeaderOf(block);
    if (h == nullptr)
        return block;
    std::uint64_t magic = h->magic;
    h->magic = 0;
#if defined(__linux__)
    if (magic == kMagicMap) {
        munmap(h->base, h->mapped);
        return nullptr;
    }
#endif
    (void)magic;
    std::free(h->base);
    return nullptr;
}

extern "C" std::size_t GlobalSize(HGLOBAL block)
{
    BlockHeader *h = HeaderOf(block);
    return h ? h->size : 0;
}

extern "C" void *GlobalLock(HGLOBAL block)
{
    return block;
}

extern "C" BOOL GlobalUnlock(HGLOBAL block)
{
    return block != nullptr ? TRUE : FALSE;
}

void GlobalSetFailAt(long n)
{
    g_count.store(0);
    g_failAt.store(n);
}

long GlobalAllocCount()
{
    return g_count.load();
}
