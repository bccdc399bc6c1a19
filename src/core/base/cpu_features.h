#pragma once

// Whether the processor runs AVX2. A few hot loops are compiled a second time
// for it and chosen at run time; the programs themselves target plain x86-64.
bool CpuHasAvx2();
// While on, CpuHasAvx2() answers false: tests check the plain loops too.
void ForcePlainLoops(bool on);

// The attribute that compiles one function for AVX2, where the compiler has it.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define DELVA_HAVE_AVX2_TARGET 1
#define DELVA_AVX2_TARGET __attribute__((target("avx2")))
#else
#define DELVA_HAVE_AVX2_TARGET 0
#define DELVA_AVX2_TARGET
#endif
