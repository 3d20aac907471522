// Vector kernels for x86 are compiled for a named instruction set and chosen at run time, so the
// program still runs on the baseline processor. Elsewhere the plain loops are used.
#pragma once

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define TARNIS_X86_SIMD 1
#define TARNIS_TARGET(isa) __attribute__((target(isa)))
#endif

// Whether the processor has SSSE3 (false where no vector kernels exist).
bool CpuHasSsse3();
// Whether the processor has AVX2.
bool CpuHasAvx2();

// Caps the kernels used: 0 = plain loops only, 1 = up to SSSE3, 2 (default) = up to AVX2. Tests
// run every path this way.
void SetSimdLimit(int level);
