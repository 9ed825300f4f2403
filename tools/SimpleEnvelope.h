// One-pole envelope followers with time constants in milliseconds.
//
// The smoothed state belongs to the caller, so one detector can serve several
// signals. Plain values, owned by one thread (the engine's audio thread).
#pragma once

class EnvelopeDetector {
public:
    EnvelopeDetector(double ms, double sampleRate);
    virtual ~EnvelopeDetector() = default;

    virtual void setTimeConstant(double ms);
    virtual double timeConstant() const;
    virtual void setSampleRate(double sampleRate);
    virtual double sampleRate() const;

    double coefficient() const { return coefficient_; }

    // state <- in + c * (state - in)
    void run(double in, double& state) const { state = in + coefficient() * (state - in); }

protected:
    // exp(-1000 / (ms * rate)): the step is followed by 1 - 1/e after one time constant.
    virtual void updateCoefficient();
    void setCoefficient(double c) { coefficient_ = c; }

private:
    double sampleRate_;
    double timeConstant_;
    double coefficient_;
};

// Attack detector while the input rises above the state, release otherwise.
class AttRelEnvelope {
public:
    AttRelEnvelope(double attackMs, double releaseMs, double sampleRate);
    virtual ~AttRelEnvelope() = default;

    virtual void setAttack(double ms);
    virtual double attack() const;
    virtual void setRelease(double ms);
    virtual double release() const;
    virtual void setSampleRate(double sampleRate);
    virtual double sampleRate() const;

    void run(double in, double& state) const
    {
        if (in > state)
            attack_.run(in, state);
        else
            release_.run(in, state);
    }

protected:
    EnvelopeDetector attack_;
    EnvelopeDetector release_;
};
