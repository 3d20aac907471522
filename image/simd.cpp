#include "image/simd.h"

#include <atomic>

namespace
{

std::atomic<int> g_limit { 2 };

} // namespace

void SetSimdLimit(int level)
{
    g_limit.store(level);
}

bool CpuHasSsse3()
{
#ifdef TARNIS_X86_SIMD
    static const bool has = __builtin_cpu_supports("ssse3");
    return has && g_limit.load(std::memory_order_relaxed) >= 1;
#else
    return false;
#endif
}

bool CpuHasAvx2()
{
#ifdef TARNIS_X86_SIMD
    static const bool has = __builtin_cpu_supports("avx2");
    return has && g_limit.load(std::memory_order_relaxed) >= 2;
#else
    return false;
#endif
}
