// Second-order sections with 32-bit float coefficients and state, designed
// with the bilinear transform, run in direct form I over blocks.
//
// A filter is a plain value owned by one thread: its settings change only
// between blocks (the Equaliser applies its changes at block starts).
#pragma once

class Filter {
public:
    // Coefficients and state of the direct form I recursion.
    struct Section {
        float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
        float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;

        float step(float x)
        {
            const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };

    // Filters `count` samples (any count, 0 included) from `in` into `out`,
    // which must be distinct. The state carries over, so any split of a signal
    // into blocks gives the same output.
    virtual void process(const float* in, float* out, int count);
    // Recomputes b0..a2 from the current settings; the state is kept.
    virtual void updateCoefficients() = 0;

    void setFrequency(float hz) { frequency_ = hz; }
    void setSampleRate(int rate) { sampleRate_ = rate; }
    float frequency() const { return frequency_; }
    int sampleRate() const { return sampleRate_; }
    float b0() const { return section_.b0; }
    float b1() const { return section_.b1; }
    float b2() const { return section_.b2; }
    float a1() const { return section_.a1; }
    float a2() const { return section_.a2; }
    // For running several filters sample by sample in one loop.
    Section& section() { return section_; }

protected:
    Filter(int sampleRate, float frequency) : sampleRate_(sampleRate), frequency_(frequency) {}
    ~Filter() = default;  // owned by value, never deleted through the base

    // K = tan(pi * f / rate): pi and the quotient as 32-bit floats, K rounded to float.
    double prewarp() const;
    void setCoefficients(double b0, double b1, double b2, double a1, double a2);

private:
    int sampleRate_;
    float frequency_;
    Section section_;
};

// Butterworth high-pass.
class LowCutFilter : public Filter {
public:
    LowCutFilter(int sampleRate, float frequency);
    void updateCoefficients() override;
};

// Butterworth low-pass.
class HighCutFilter : public Filter {
public:
    HighCutFilter(int sampleRate, float frequency);
    void updateCoefficients() override;
};

// Bell: 10^(gain/20) at the centre, 1 at 0 Hz and at Nyquist; a cut is the
// exact inverse of the boost of the same size.
class PeakFilter : public Filter {
public:
    PeakFilter(int sampleRate, float frequency);  // Q 4, gain 0 dB
    void updateCoefficients() override;

    void setQ(float q) { q_ = q; }
    float q() const { return q_; }
    void setGain(float dB) { gain_ = dB; }
    float gain() const { return gain_; }

private:
    float q_ = 4.0f;
    float gain_ = 0.0f;
};

// A trapezoidal state-variable section: the same bilinear-transform responses
// as the sections above, in a form that stays stable and quiet while its
// coefficients move, so they can glide sample by sample. The analogue
// prototype's outputs high, band and low pass (v0 − k·v1 − v2, v1, v2) mix
// as c0·input + c1·band + c2·low. Targets set with `glideTo` are reached in
// a straight line over the samples given.
struct StateVariable {
    struct Design {
        float g = 0.0f, k = 1.0f, c0 = 1.0f, c1 = 0.0f, c2 = 0.0f;  // g = tan(π f / rate)
    };
    static Design lowCut(double g);   // Butterworth high-pass
    static Design highCut(double g);  // Butterworth low-pass
    static Design peak(double g, double q, double gainDb);  // the bell above, boost and cut

    void jumpTo(const Design& d);
    bool moving() const { return left > 0; }
    void glideTo(const Design& d, int samples);
    void clear() { ic1 = ic2 = 0.0f; }

    float step(float v0)
    {
        if (left > 0)
            advance();
        return steady(v0);
    }
    // A step with the coefficients as they are (none moving).
    float steady(float v0)
    {
        const float v3 = v0 - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        return now.c0 * v0 + now.c1 * v1 + now.c2 * v2;
    }

    Design now, target, delta;
    int left = 0;
    float a1 = 1.0f, a2 = 0.0f, a3 = 0.0f;
    float ic1 = 0.0f, ic2 = 0.0f;

private:
    void advance();
    void derive();
};
