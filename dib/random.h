// The library's own random numbers: the classic 15-bit linear congruential sequence
// (next = next × 214013 + 2531011 modulo 2^32, value = bits 16 to 30 of next), so a seed gives the
// same picture on every platform. One state per thread; a thread that never seeds starts from 1.
#pragma once

#include <optional>

namespace dib
{

constexpr int kRandMax = 32767;

void SeedRandom(unsigned seed);
int NextRandom();

// Seeds from the current time, or from the fixed seed a test has set.
void SeedRandomFromTime();
// Tests fix what "the current time" seeds with; nullopt restores the clock.
void FixTimeSeed(std::optional<unsigned> seed);

} // namespace dib
