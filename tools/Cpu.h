// What the processor offers beyond the x86-64 baseline, read once at load.
// Hot loops are compiled three times (AVX-512, AVX2, baseline) and the best
// build the processor runs is chosen; every lane does the same operations in
// each, and no build contracts products into fused multiply-adds, so the
// results are identical. (Chosen by flag rather than by an ifunc: ifunc
// resolvers run before sanitizer runtimes start.)
#pragma once

#define ALWAYS_INLINE __attribute__((always_inline)) inline
#define WIDEST_TARGET __attribute__((target("avx2,avx512f,avx512vl,avx512dq,avx512bw")))
#define WIDE_TARGET __attribute__((target("avx2")))

// 2: AVX-512, 1: AVX2, 0: the baseline.
inline const int kVectorLevel = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                                        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw")
                                    ? 2
                                    : __builtin_cpu_supports("avx2") ? 1 : 0;

// Defines `name`, a pointer to the best build of `loop` (an ALWAYS_INLINE
// function) for the parameter list `params`, called with `args`.
#define VECTOR_VARIANTS(name, loop, params, args)                          \
    WIDEST_TARGET void name##Widest params { loop args; }                  \
    WIDE_TARGET void name##Wide params { loop args; }                      \
    void name##Narrow params { loop args; }                                \
    const auto name = kVectorLevel == 2 ? name##Widest                     \
                      : kVectorLevel == 1 ? name##Wide                     \
                                          : name##Narrow
