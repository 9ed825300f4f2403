#include "SpectralState.h"

#include "BandMeter.h"
#include "BandVocoder.h"
#include "SpectralKernels.h"
#include "tools/KeepLoaded.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>

namespace {
#ifdef VOCODER_PRIVATE_FFTW
// This library carries a copy of FFTW of its own, hidden from every other
// library: its planner serves our instances alone, and one lock of ours
// serialises planning and destroying plans across them.
std::unique_lock<std::mutex> lockPlanner()
{
    static std::mutex planner;
    return std::unique_lock<std::mutex>(planner);
}
#else
// FFTW's planner is shared by every library in the host's process (each of
// our formats, and other plug-ins), which may plan on different threads at
// once: FFTW's own lock, installed once, covers planning and destroying
// plans for all of them. FFTW and the lock's library stay loaded after this
// one is unloaded: the planner keeps its tables (freed by no one, so they
// stay reachable and are reused by the next load), and the lock is called
// by every later plan in the process. No lock of ours is needed then.
std::unique_lock<std::mutex> lockPlanner()
{
    static std::once_flag once;
    std::call_once(once, [] {
        fftw_make_planner_thread_safe();
        keepLoaded(reinterpret_cast<void*>(&fftw_execute));
        keepLoaded(reinterpret_cast<void*>(&fftw_make_planner_thread_safe));
    });
    return {};
}
#endif

template <typename T>
T* allocate(int count)
{
    void* memory = fftw_malloc(sizeof(T) * static_cast<size_t>(count));
    if (!memory)
        throw std::bad_alloc();
    return static_cast<T*>(memory);
}
}  // namespace

SpectralState::SpectralState(int fftSize) : n_(fftSize), window_(static_cast<size_t>(fftSize))
{
    try {
        carrierFrame_ = allocate<double>(n_);
        modulatorFrame_ = allocate<double>(n_);
        modulatorSpectrum_ = allocate<fftw_complex>(n_);
        carrierSpectrum_ = allocate<fftw_complex>(n_);
        bandSpectrum_ = allocate<fftw_complex>(n_);
        rightSpectrum_ = allocate<fftw_complex>(n_);
        rightFrame_ = allocate<double>(n_);
        {
            const auto planner = lockPlanner();
            carrierPlan_ = fftw_plan_dft_r2c_1d(n_, carrierFrame_, carrierSpectrum_, FFTW_ESTIMATE);
            modulatorPlan_ = fftw_plan_dft_r2c_1d(n_, modulatorFrame_, modulatorSpectrum_, FFTW_ESTIMATE);
            inversePlan_ = fftw_plan_dft_c2r_1d(n_, modulatorSpectrum_, modulatorFrame_, FFTW_ESTIMATE);
            rightPlan_ = fftw_plan_dft_c2r_1d(n_, rightSpectrum_, rightFrame_, FFTW_ESTIMATE);
        }
        if (!carrierPlan_ || !modulatorPlan_ || !inversePlan_ || !rightPlan_)
            throw std::bad_alloc();
    } catch (...) {
        release();
        throw;
    }
    // theta and cos(theta) rounded to 32-bit floats, as the window was designed.
    const float twoPi = 6.2831854820251465f;
    for (int i = 0; i < n_; ++i) {
        const auto theta = static_cast<float>(static_cast<double>(i) * twoPi / static_cast<float>(n_));
        const auto c = static_cast<float>(std::cos(static_cast<double>(theta)));
        window_[static_cast<size_t>(i)] = (1.0 - c) * 0.5 * 0.45;
        carrierFrame_[i] = 0.0;
    }
}

SpectralState::~SpectralState() { release(); }

void SpectralState::release()
{
    const auto planner = lockPlanner();
    for (fftw_plan* plan : {&carrierPlan_, &modulatorPlan_, &inversePlan_, &rightPlan_})
        if (*plan) {
            fftw_destroy_plan(*plan);
            *plan = nullptr;
        }
    fftw_free(carrierFrame_);
    fftw_free(modulatorFrame_);
    fftw_free(modulatorSpectrum_);
    fftw_free(carrierSpectrum_);
    fftw_free(bandSpectrum_);
    fftw_free(rightSpectrum_);
    fftw_free(rightFrame_);
    carrierFrame_ = modulatorFrame_ = rightFrame_ = nullptr;
    modulatorSpectrum_ = carrierSpectrum_ = bandSpectrum_ = rightSpectrum_ = nullptr;
}

void SpectralState::analyse(const float* carrier, const float* modulator)
{
    kernels::windowFrames(carrier, modulator, window_.data(), carrierFrame_, modulatorFrame_, n_);
    fftw_execute(carrierPlan_);
    fftw_execute(modulatorPlan_);
}

void SpectralState::frame(const float* carrier, const float* modulator, const BandMeter* meter, BandLevels* levels)
{
    analyse(carrier, modulator);
    if (meter)
        meter->measure(modulatorSpectrum_, levels->voice);
    // M_k <- |M_k| * C_k: the carrier keeps its phase and takes the product of
    // the magnitudes. The Nyquist bin follows the same rule, so nothing of the
    // modulator reaches the output unmultiplied.
    kernels::imposeMagnitudes(modulatorSpectrum_, carrierSpectrum_, n_ / 2 + 1);
    if (meter)
        meter->measure(modulatorSpectrum_, levels->output);
    fftw_execute(inversePlan_);
}

void SpectralState::frame(const float* carrier, const float* modulator, BandVocoder& shaper, double blend,
                          bool stereo, const BandMeter* meter, BandLevels* levels)
{
    analyse(carrier, modulator);
    if (meter)
        meter->measure(modulatorSpectrum_, levels->voice);
    fftw_complex* right = stereo ? rightSpectrum_ : nullptr;
    const int bins = n_ / 2 + 1;
    if (blend >= 1.0) {
        shaper.render(modulatorSpectrum_, carrierSpectrum_, modulatorSpectrum_, right);
    } else {
        shaper.render(modulatorSpectrum_, carrierSpectrum_, bandSpectrum_, right);
        kernels::imposeMagnitudes(modulatorSpectrum_, carrierSpectrum_, bins);
        const double other = 1.0 - blend;
        for (int k = 0; k < bins; ++k)
            for (int part = 0; part < 2; ++part) {
                const double product = modulatorSpectrum_[k][part];
                if (right)
                    right[k][part] = blend * right[k][part] + other * product;
                modulatorSpectrum_[k][part] = blend * bandSpectrum_[k][part] + other * product;
            }
    }
    if (meter)
        meter->measure(modulatorSpectrum_, levels->output, right);
    fftw_execute(inversePlan_);
    if (right)
        fftw_execute(rightPlan_);
}

void SpectralState::clear()
{
    std::fill(carrierFrame_, carrierFrame_ + n_, 0.0);
    std::fill(modulatorFrame_, modulatorFrame_ + n_, 0.0);
}

SpectralBank::SpectralBank()
{
    for (int size : kSizes)
        states_.push_back(std::make_unique<SpectralState>(size));
}

SpectralState& SpectralBank::forSize(int fftSize)
{
    for (const auto& state : states_)
        if (state->fftSize() == fftSize)
            return *state;
    return *states_.back();  // not reached: sizes come from the size mapping
}
