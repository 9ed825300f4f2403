// Level helpers shared by the engine, the compressor and the limiter.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// Added to signals and detector values so that nothing reaches zero or the
// denormal range.
constexpr double DENORMAL_GUARD = 1e-25;

// ln(x) * 20 / ln(10)
inline double linearToDecibels(double x) { return std::log(x) * 8.685889638065037; }

// The natural logarithm of positive finite x, branch-free so that loops over
// arrays vectorise: reduction to [√2/2, √2) and the classic odd series in
// s = f / (2 + f). Within an ulp of the C library's log.
inline double logPositive(double x)
{
    constexpr double ln2Hi = 6.93147180369123816490e-01, ln2Lo = 1.90821492927058770002e-10;
    constexpr double lg1 = 6.666666666666735130e-01, lg2 = 3.999999999940941908e-01,
                     lg3 = 2.857142874366239149e-01, lg4 = 2.222219843214978396e-01,
                     lg5 = 1.818357216161805012e-01, lg6 = 1.531383769920937332e-01,
                     lg7 = 1.479819860511658591e-01;
    std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    // Shift the mantissa's range so that the exponent counts from √2/2.
    std::uint64_t high = (bits >> 32) + (0x3ff00000 - 0x3fe6a09e);
    const std::uint64_t exponent = (high >> 20) & 0x7ff;  // k + 1023
    high = (high & 0x000fffff) + 0x3fe6a09e;
    bits = (high << 32) | (bits & 0xffffffff);
    const double f = std::bit_cast<double>(bits) - 1.0;
    // The exponent as a double without an int64 conversion: 2^52 + e, minus 2^52.
    const double k = std::bit_cast<double>(0x4330000000000000u | exponent) - 4503599627370496.0 - 1023.0;
    const double hfsq = 0.5 * f * f;
    const double s = f / (2.0 + f);
    const double z = s * s;
    const double w = z * z;
    const double t1 = w * (lg2 + w * (lg4 + w * lg6));
    const double t2 = z * (lg1 + w * (lg3 + w * (lg5 + w * lg7)));
    return s * (hfsq + t1 + t2) + k * ln2Lo - hfsq + f + k * ln2Hi;
}

// e^x for |x| below 700 (the caller's guarantee), branch-free so that loops vectorise: x = k·ln 2 + r
// with |r| ≤ ln 2 / 2, the Taylor series of e^r to r^13, then 2^k put into
// the exponent. Within an ulp of the C library's exp.
inline double expModerate(double x)
{
    constexpr double invLn2 = 1.44269504088896338700e+00;
    constexpr double ln2Hi = 6.93147180369123816490e-01, ln2Lo = 1.90821492927058770002e-10;
    constexpr double roundingShift = 6755399441055744.0;  // 1.5 × 2^52
    const double shifted = x * invLn2 + roundingShift;
    const double k = shifted - roundingShift;
    const double r = (x - k * ln2Hi) - k * ln2Lo;
    const double p =
        ((((((((((((1.0 / 6227020800.0 * r + 1.0 / 479001600.0) * r + 1.0 / 39916800.0) * r +
                  1.0 / 3628800.0) * r + 1.0 / 362880.0) * r + 1.0 / 40320.0) * r + 1.0 / 5040.0) * r +
               1.0 / 720.0) * r + 1.0 / 120.0) * r + 1.0 / 24.0) * r + 1.0 / 6.0) * r + 0.5) * r + 1.0) * r + 1.0;
    // k sits in the low bits of `shifted`; adding it to the exponent field scales by 2^k.
    const std::uint64_t scale = std::bit_cast<std::uint64_t>(shifted) << 52;
    return std::bit_cast<double>(std::bit_cast<std::uint64_t>(p) + scale);
}

// exp(dB * ln(10) / 20)
inline double decibelsToLinear(double dB) { return std::exp(dB * 0.11512925464970228); }
