#include "PitchFollower.h"

#include <cmath>
#include <cstdlib>

namespace {

// The pitch classes of each scale above its key, as a bit mask.
constexpr std::uint16_t maskOf(std::initializer_list<int> classes)
{
    std::uint16_t mask = 0;
    for (int c : classes)
        mask = static_cast<std::uint16_t>(mask | (1u << c));
    return mask;
}

constexpr std::uint16_t kScaleMasks[] = {
    0x0FFF,                               // free (not used for quantising)
    0x0FFF,                               // chromatic
    maskOf({0, 2, 4, 5, 7, 9, 11}),       // major
    maskOf({0, 2, 3, 5, 7, 8, 10}),       // natural minor
    maskOf({0, 2, 3, 5, 7, 8, 11}),       // harmonic minor
    maskOf({0, 2, 3, 5, 7, 9, 10}),       // dorian
    maskOf({0, 2, 4, 7, 9}),              // major pentatonic
    maskOf({0, 3, 5, 7, 10}),             // minor pentatonic
    maskOf({0, 3, 5, 6, 7, 10}),          // blues
};

// Fixed intervals in semitones (Free and Chromatic), and in scale steps.
struct Interval {
    int semitones, steps;
};
constexpr Interval kThird{4, 2}, kFifth{7, 4}, kSixth{9, 5};

}  // namespace

void PitchFollower::clear()
{
    sounding_ = false;
    unvoiced_ = 0;
    count_ = 0;
}

bool PitchFollower::inScale(int note) const
{
    const int pitchClass = ((note - key_) % 12 + 12) % 12;
    return (kScaleMasks[static_cast<int>(scale_)] >> pitchClass) & 1u;
}

int PitchFollower::nearestInScale(float pitch) const
{
    const int below = static_cast<int>(std::floor(pitch));
    int best = below;
    float distance = 1e9f;
    for (int note = below - 3; note <= below + 4; ++note)
        if (inScale(note) && std::fabs(pitch - static_cast<float>(note)) < distance) {
            distance = std::fabs(pitch - static_cast<float>(note));
            best = note;
        }
    return best;
}

// The note `steps` scale notes above (or below, negative) `note`.
int PitchFollower::stepsAbove(int note, int steps) const
{
    int n = note;
    for (int s = 0; s < std::abs(steps); ++s) {
        do
            n += steps > 0 ? 1 : -1;
        while (!inScale(n));
    }
    return n;
}

void PitchFollower::follow(bool voiced, float hz)
{
    if (!voiced || !(hz > 0.0f)) {
        if (sounding_ && ++unvoiced_ >= kEndAfter)
            clear();
        return;
    }
    unvoiced_ = 0;
    sung_ = 69.0f + 12.0f * std::log2(hz / 440.0f);
    if (scale_ == Scale::free) {
        held_ = static_cast<int>(std::lround(sung_));
    } else {
        const int nearest = scale_ == Scale::chromatic ? static_cast<int>(std::lround(sung_)) : nearestInScale(sung_);
        // A new note once the voice is nearer it than the held one by twice the hysteresis.
        const float toHeld = std::fabs(sung_ - static_cast<float>(held_));
        const float toNearest = std::fabs(sung_ - static_cast<float>(nearest));
        if (!sounding_ || !inScale(held_) || toHeld - toNearest > 2.0f * kHysteresis)
            held_ = nearest;
    }
    sounding_ = true;
    harmonise();
}

void PitchFollower::harmonise()
{
    const bool free = scale_ == Scale::free;
    const float root = free ? sung_ : static_cast<float>(held_);
    const bool fixed = free || scale_ == Scale::chromatic;
    const auto above = [&](Interval interval) {
        return fixed ? root + static_cast<float>(interval.semitones)
                     : static_cast<float>(stepsAbove(held_, interval.steps));
    };
    count_ = 1;
    notes_[0] = root;
    switch (harmony_) {
    case Harmony::none: break;
    case Harmony::third: notes_[count_++] = above(kThird); break;
    case Harmony::fifth: notes_[count_++] = above(kFifth); break;
    case Harmony::sixth: notes_[count_++] = above(kSixth); break;
    case Harmony::octave: notes_[count_++] = root + 12.0f; break;
    case Harmony::octaveDown: notes_[count_++] = root - 12.0f; break;
    case Harmony::triad:
        notes_[count_++] = above(kThird);
        notes_[count_++] = above(kFifth);
        break;
    }
}
