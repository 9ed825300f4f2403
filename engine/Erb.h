// The ERB-number scale (Glasberg and Moore): equal steps sound equally wide.
#pragma once

#include <cmath>

inline double erbNumber(double hz) { return 21.4 * std::log10(1.0 + 0.00437 * hz); }
inline double erbFrequency(double erb) { return (std::pow(10.0, erb / 21.4) - 1.0) / 0.00437; }
// The width of the auditory filter at `hz`, in Hz.
inline double erbWidth(double hz) { return 24.7 * (4.37e-3 * hz + 1.0); }
