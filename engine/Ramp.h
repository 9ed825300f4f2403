// A level that reaches a new value in a straight line over a set number of
// samples, so that an automated gain moves without steps. A plain value
// owned by the audio thread.
#pragma once

#include <algorithm>

class Ramp {
public:
    // The samples a move takes, from the next move on.
    void setLength(int samples) { length_ = std::max(samples, 1); }
    // The value at once, with no move.
    void jump(float value)
    {
        value_ = target_ = value;
        left_ = 0;
    }
    // A move from where the ramp is now to `value`, over the ramp's length.
    void moveTo(float value)
    {
        if (value == target_)
            return;
        target_ = value;
        left_ = length_;
        step_ = (target_ - value_) / static_cast<float>(left_);
    }
    float value() const { return value_; }
    // The next `count` samples' values into `out`: the value itself when still.
    template <typename T>
    void fill(T* out, int count)
    {
        int i = 0;
        for (; i < count && left_ > 0; ++i) {
            value_ = --left_ == 0 ? target_ : value_ + step_;
            out[i] = value_;
        }
        std::fill(out + i, out + count, static_cast<T>(value_));
    }

private:
    float value_ = 0.0f, target_ = 0.0f, step_ = 0.0f;
    int length_ = 1;
    int left_ = 0;
};
