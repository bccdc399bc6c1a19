#pragma once

// Whether the processor runs AVX2. A few hot loops are compiled a second time
// for it and chosen at run time; the programs themselves target plain x86-64.
bool CpuHasAvx2();
// Whether it runs AVX-512 with byte and word lanes (F, BW and VL).
bool CpuHasAvx512();
// The widest loops chosen: tests check each kind of loop on one machine.
enum class TLoops { Widest, Avx2, Plain };
void ForceLoops(TLoops widest);

// The attribute that compiles one function for AVX2, where the compiler has it.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define DELVA_HAVE_AVX2_TARGET 1
#define DELVA_AVX2_TARGET __attribute__((target("avx2")))
#define DELVA_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vl")))
#else
#define DELVA_HAVE_AVX2_TARGET 0
#define DELVA_AVX2_TARGET
#define DELVA_AVX512_TARGET
#endif
