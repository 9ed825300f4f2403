// The per-frame loops of the spectral path, each compiled for AVX2 and for the
// baseline (tools/Cpu.h): identical results either way.
#pragma once

#include <fftw3.h>

namespace kernels {

// carrierFrame[i] = carrier[i] × w[i], modulatorFrame[i] = modulator[i] × w[i].
void windowFrames(const float* carrier, const float* modulator, const double* window, double* carrierFrame,
                  double* modulatorFrame, int n);

// product[k] ← carrier[k] × |product[k]| for k < bins: the carrier's phase,
// the product of the magnitudes.
void imposeMagnitudes(fftw_complex* product, const fftw_complex* carrier, int bins);

// out[i] ← float(out[i] + w[i] × y[i] × scale).
void overlapAdd(float* out, const double* window, const double* y, double scale, int n);

}  // namespace kernels
