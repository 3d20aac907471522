#include "dib/random.h"

#include <atomic>
#include <ctime>

namespace dib
{

namespace
{

thread_local unsigned long g_next = 1;
std::atomic<bool> g_fixed { false };
std::atomic<unsigned> g_fixedSeed { 0 };

} // namespace

void SeedRandom(unsigned seed)
{
    g_next = seed;
}

int NextRandom()
{
    g_next = (g_next * 214013UL + 2531011UL) & 0xFFFFFFFFUL;
    return static_cast<int>((g_next >> 16) & 0x7FFFUL);
}

void SeedRandomFromTime()
{
    SeedRandom(g_fixed.load() ? g_fixedSeed.load() : static_cast<unsigned>(std::time(nullptr)));
}

void FixTimeSeed(std::optional<unsigned> seed)
{
    g_fixedSeed = seed.value_or(0);
    g_fixed = seed.has_value();
}

} // namespace dib
