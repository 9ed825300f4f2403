#include "SpectralKernels.h"

#include "tools/Cpu.h"

#include <cmath>

namespace {

ALWAYS_INLINE void windowLoop(const float* carrier, const float* modulator, const double* window,
                              double* carrierFrame, double* modulatorFrame, int n)
{
    for (int i = 0; i < n; ++i) {
        carrierFrame[i] = carrier[i] * window[i];
        modulatorFrame[i] = modulator[i] * window[i];
    }
}

ALWAYS_INLINE void imposeLoop(double* product, const double* carrier, int bins)
{
    for (int k = 0; k < bins; ++k) {
        const double re = product[2 * k], im = product[2 * k + 1];
        const double magnitude = std::sqrt(re * re + im * im);
        product[2 * k] = carrier[2 * k] * magnitude;
        product[2 * k + 1] = carrier[2 * k + 1] * magnitude;
    }
}

ALWAYS_INLINE void overlapAddLoop(float* out, const double* window, const double* y, double scale, int n)
{
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<float>(out[i] + window[i] * y[i] * scale);
}

VECTOR_VARIANTS(windowBest, windowLoop,
                (const float* c, const float* m, const double* w, double* cf, double* mf, int n), (c, m, w, cf, mf, n));
VECTOR_VARIANTS(imposeBest, imposeLoop, (double* p, const double* c, int bins), (p, c, bins));
VECTOR_VARIANTS(overlapAddBest, overlapAddLoop, (float* o, const double* w, const double* y, double s, int n),
                (o, w, y, s, n));

}  // namespace

namespace kernels {

void windowFrames(const float* carrier, const float* modulator, const double* window, double* carrierFrame,
                  double* modulatorFrame, int n)
{
    windowBest(carrier, modulator, window, carrierFrame, modulatorFrame, n);
}

void imposeMagnitudes(fftw_complex* product, const fftw_complex* carrier, int bins)
{
    imposeBest(product[0], carrier[0], bins);
}

void overlapAdd(float* out, const double* window, const double* y, double scale, int n)
{
    overlapAddBest(out, window, y, scale, n);
}

}  // namespace kernels
