// Whether the x86 vector kernels are compiled in (DIB_X86), with their intrinsics.
#pragma once

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define DIB_X86 1
#else
#define DIB_X86 0
#endif
