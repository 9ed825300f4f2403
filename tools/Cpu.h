// What the processor offers beyond the x86-64 baseline, read once at load.
// Hot loops are compiled twice, with WIDE_TARGET and without, and pick the
// wide build by this flag; every lane does the same operations in both.
// (A flag rather than an ifunc: ifunc resolvers run before sanitizer
// runtimes start.)
#pragma once

#define WIDE_TARGET __attribute__((target("avx2")))
#define ALWAYS_INLINE __attribute__((always_inline)) inline

inline const bool kWideVectors = __builtin_cpu_supports("avx2");
