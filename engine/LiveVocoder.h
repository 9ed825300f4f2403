// The Live engine: a band vocoder built from filters, for a singer who
// hears themselves while singing. Voice and carrier pass through the same
// band-pass filters, each a cascade of three complex one-pole sections (a
// third-order Butterworth band-pass whose poles sit at the band's centre),
// so that a band's output is close to its analytic signal: the real part is
// the band, |z|² its power without ripple. The voice's band power, averaged
// over a block of a few samples, sets the gain of the carrier's band; the
// carrier's own band power (smoothed over 10 ms) is divided out as far as
// Flatten asks and its broadband level kept, as the Clear engine does. Each
// band's gain is held back by its own number of blocks so that every band's
// envelope comes out at one delay, and moves in a straight line across a
// block. Formant, Sibilance, Freeze and Width act as in the Clear engine.
//
// A value type owned by the audio thread: fixed arrays, nothing allocated.
// Settings apply from the next block; the band layout is rebuilt at the
// next block when the band count changed.
#pragma once

#include "BandMeter.h"

#include <array>

class LiveVocoder {
public:
    static constexpr int kMaxBands = 48;  // more would cost more than they add
    static constexpr int kLanes = 16;     // bands a vector holds in the hot loops

    // The rate and the delay from a voice sample in to its envelope out, in
    // samples (at least slowestBand's); clears.
    void prepare(float sampleRate, int delay);
    void setBands(int count);          // 2 …; more than kMaxBands play as kMaxBands
    void setFlatten(double amount);    // 0 … 1
    void setFormant(double semitones);
    void setSibilance(double amount);  // 0 … 1
    void setFreeze(bool on);
    void setWidth(double amount);      // 0 … 1
    // Silence in every filter and level, no held envelope.
    void clear();

    // Samples are taken in whole blocks: 4 below 60 kHz, growing with the
    // rate so that a block lasts no longer.
    static int blockFor(float sampleRate);
    // The delay the slowest band needs at a rate, in samples.
    static int slowestBand(float sampleRate);
    int blockLength() const { return block_; }
    bool stereo() const { return width_ > 0.0; }
    int bandsInUse() const { return count_; }
    double bandCentre(int band) const { return centre_[static_cast<size_t>(band)]; }

    // `count` samples, a multiple of blockLength(); both outputs written
    // (the same signal unless Width spreads the bands).
    void process(const float* voice, const float* carrier, float* left, float* right, int count);

    // The last block's band levels on a display's bands, in dB (a
    // full-scale sine reads about 0): the voice's and the output's.
    void measure(BandLevels& levels, float sampleRate) const;

    // Per band, as the hot loops take them: the input's scale to unit gain
    // at the centre, the three sections' poles and states of one side, in
    // float (the complex one-pole form keeps its rounding far below the
    // band's level).
    using Row = std::array<float, kMaxBands>;
    typedef float Lanes __attribute__((vector_size(kLanes * sizeof(float))));
    struct Cascade {
        alignas(64) Row gain{}, a1r{}, a1i{}, a2r{}, a2i{}, a3r{}, a3i{};
        alignas(64) Row r1{}, i1{}, r2{}, i2{}, r3{}, i3{};
    };

private:
    using Bands = std::array<double, kMaxBands>;
    static constexpr int kChunk = 64;          // samples run at once; a multiple of every block
    static constexpr int kMostBlocks = kChunk / 4;
    static constexpr int kDelayBlocks = 256;   // the longest hold of a band's gain, in blocks
    static constexpr int kThroughRing = 8192;  // the longest hold of the voice's high band, in samples

    void rebuild();
    void mapFormant();
    void runChunk(const float* voice, const float* carrier, float* left, float* right, int count);
    // A block's targets for the gains, and the carrier's levels after it.
    void startBlock(int block);
    void endBlock(int block);

    float sampleRate_ = 44100.0f;
    int block_ = 4;
    int delay_ = 217;
    int wanted_ = 40;  // the band count asked for
    int count_ = 2;    // the bands in use
    int lanes_ = kLanes;  // count_ in whole vectors
    double flatten_ = 1.0;
    double formant_ = 0.0;
    double sibilance_ = 0.5;
    bool freeze_ = false;
    bool heldValid_ = false;
    double width_ = 0.0;
    bool layoutChanged_ = true;
    bool formantChanged_ = true;

    // The layout, per band: its centre (Hz); its power's scale to a density;
    // its left and right shares; the weight of the voice's own signal in
    // sibilant blocks (and twice that, for the real part); whether it lies
    // above 3 kHz; where the formant reads it (between band readFrom_ and
    // the next, readT_ of the way); how many blocks its voice amplitude is
    // held back.
    alignas(64) Bands centre_{};
    alignas(64) Row density_{};
    double widths_ = 1.0;           // the bands' widths, summed, in the density's units
    alignas(64) Row leftShare_{}, rightShare_{};
    alignas(64) Row high_{};
    alignas(64) Row highReal_{};
    alignas(64) Row above_{};
    alignas(64) Bands readT_{};
    std::array<int, kMaxBands> hold_{};
    std::array<int, kMaxBands> readFrom_{};
    int weightHold_ = 0;    // blocks the sibilance weight is held back
    int throughDelay_ = 0;  // samples the voice's own high band is held back

    Cascade voice_, carrier_;
    alignas(64) Row envelope_{};      // the voice's band amplitude this block plays (held back, moved)
    alignas(64) Row held_{};          // Freeze's envelope
    alignas(64) Row carrierPower_{};  // the carrier's band power, smoothed
    alignas(64) Row lastVoice_{};     // the last block's voice band power, for the meter
    alignas(64) Row scale_{};         // each band's gain before the voice's, for a chunk
    alignas(64) Row gainLeft_{}, gainRight_{};  // where each band's gain stands
    double carrierLevel_ = 0.0;  // the carrier's density over all bands, smoothed
    double levelRise_ = 0.0, levelFall_ = 0.0, carrierCoefficient_ = 0.0;
    double sibilanceWeight_ = 0.0, sibilanceCoefficient_ = 0.0;
    double throughGain_ = 0.0;   // the voice's own high band's gain, where it stands

    // Rings: the voice's band amplitudes and the sibilance weight by block,
    // the voice's own high band by sample.
    std::array<Row, kDelayBlocks> amplitudes_{};
    std::array<double, kDelayBlocks> weights_{};
    unsigned blockWrite_ = 0;
    std::array<float, kThroughRing> through_{};
    unsigned throughWrite_ = 0;

    // A chunk's work: the voice's band powers and each block's targets for
    // the gains; the carrier's band powers of the block under way; each
    // sample's lanes of the voice's high band and of the outputs.
    std::array<Row, kMostBlocks> voicePowers_{};
    Row carrierBlock_{}, targetLeft_{}, targetRight_{};
    std::array<double, kMostBlocks> throughTarget_{};
    std::array<Lanes, kChunk> highLanes_{}, leftLanes_{}, rightLanes_{};
    std::array<double, kChunk> highVoice_{};
};
