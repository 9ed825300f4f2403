// Level helpers shared by the engine, the compressor and the limiter.
#pragma once

#include <cmath>

// Added to signals and detector values so that nothing reaches zero or the
// denormal range.
constexpr double DENORMAL_GUARD = 1e-25;

// ln(x) * 20 / ln(10)
inline double linearToDecibels(double x) { return std::log(x) * 8.685889638065037; }

// exp(dB * ln(10) / 20)
inline double decibelsToLinear(double dB) { return std::exp(dB * 0.11512925464970228); }
