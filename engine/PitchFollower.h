// From the voice's pitch estimates to the notes a tracking carrier plays: a
// note starts with the first voiced estimate and ends after a few unvoiced
// ones; its pitch is the voice's (Free), the nearest semitone, or the
// nearest note of a scale in a key, changing only once the voice has moved
// clearly past the middle between two notes (so a vibrato around one note
// never flips it); harmony notes are added a fixed interval or a number of
// scale steps above or below.
//
// A value type owned by the audio thread.
#pragma once

#include <array>
#include <cstdint>

class PitchFollower {
public:
    enum class Scale : int { free, chromatic, major, minor, harmonicMinor, dorian, pentatonic, minorPentatonic, blues };
    enum class Harmony : int { none, third, fifth, sixth, octave, octaveDown, triad };
    static constexpr int kScales = 9, kHarmonies = 7;
    static constexpr int kMaxNotes = 3;

    void setScale(Scale scale) { scale_ = scale; }
    void setKey(int key) { key_ = ((key % 12) + 12) % 12; }
    void setHarmony(Harmony harmony) { harmony_ = harmony; }
    void clear();

    // One estimate: voiced or not, and the frequency in Hz.
    void follow(bool voiced, float hz);

    bool sounding() const { return sounding_; }
    // The notes to play, as MIDI numbers (fractions in Free): the tracked one first.
    int noteCount() const { return sounding_ ? count_ : 0; }
    float note(int i) const { return notes_[static_cast<std::size_t>(i)]; }
    // The voice's own pitch as a MIDI number, for a tuner, while voiced.
    float sung() const { return sung_; }

    // Unvoiced estimates in a row that end a note (about 17 ms at 5.8 ms each).
    static constexpr int kEndAfter = 3;
    // How far past the middle between two notes the voice must go, in semitones.
    static constexpr float kHysteresis = 0.2f;

private:
    bool inScale(int note) const;
    int nearestInScale(float pitch) const;
    int stepsAbove(int note, int steps) const;
    void harmonise();

    Scale scale_ = Scale::chromatic;
    Harmony harmony_ = Harmony::none;
    int key_ = 0;
    bool sounding_ = false;
    int unvoiced_ = 0;
    int held_ = 0;       // the quantised note held
    float sung_ = 0.0f;  // the voice's pitch, MIDI number
    int count_ = 0;
    std::array<float, kMaxNotes> notes_{};
};
