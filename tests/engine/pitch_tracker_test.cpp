#include "SungVoice.h"
#include "engine/PitchFollower.h"
#include "engine/PitchTracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// Sung notes in a low and a high range, with vibrato, notes off pitch, a
// glide, bursts and pauses, at 44.1 and 48 kHz: from 80 ms into a note the
// estimates lie within 30 cents of the sung pitch (taken where the analysed
// span is centred) in at least 95 % of frames, an octave off in at most 1 %;
// bursts and pauses (the whole analysed span in them) are rarely voiced.
TEST(PitchTracker, FollowsSungNotesAndIgnoresNoiseAndSilence)
{
    const std::vector<SungPart> low = {{SungPart::pause, 0.2},  {SungPart::note, 0.6, 43.2, 43.2},
                                       {SungPart::burst, 0.08}, {SungPart::note, 0.5, 47.0, 47.0},
                                       {SungPart::note, 0.7, 47.0, 52.0}, {SungPart::pause, 0.3},
                                       {SungPart::note, 0.5, 54.8, 54.8}};
    const std::vector<SungPart> high = {{SungPart::pause, 0.2},  {SungPart::note, 0.6, 55.0, 55.0},
                                        {SungPart::burst, 0.08}, {SungPart::note, 0.5, 62.2, 62.2},
                                        {SungPart::note, 0.7, 62.0, 67.0}, {SungPart::pause, 0.3},
                                        {SungPart::note, 0.5, 68.0, 68.0}};
    for (const double rate : {44100.0, 48000.0})
        for (const auto* parts : {&low, &high}) {
            const SungVoice voice = sing(*parts, rate);
            PitchTracker tracker;
            tracker.prepare(static_cast<float>(rate));
            int frames = 0, close = 0, octaves = 0, falseNotes = 0, silentFrames = 0;
            for (size_t i = 0; i < voice.samples.size(); ++i) {
                if (!tracker.push(voice.samples[i]))
                    continue;
                // The analysed span: the newest window and a period before it.
                const double sung = voice.pitch[i];
                const size_t centre = i - static_cast<size_t>(std::min<double>(i, 0.5 * (0.0116 + 1.0 / std::max(sung, 60.0)) * rate));
                const double truth = voice.pitch[centre];
                if (voice.noteStart[i] >= 0.08f && voice.noteStart[centre] >= 0.0f) {
                    ++frames;
                    if (!tracker.voiced())
                        continue;
                    const double cents = 1200.0 * std::log2(tracker.frequency() / truth);
                    close += std::fabs(cents) <= 30.0;
                    octaves += std::fabs(std::fabs(cents) - 1200.0) <= 100.0;
                } else if (const size_t first = i - std::min<size_t>(i, static_cast<size_t>(0.03 * rate));
                           voice.noteStart[i] < 0.0f && voice.noteStart[first] < 0.0f && voice.noteStart[centre] < 0.0f) {
                    ++silentFrames;
                    falseNotes += tracker.voiced();
                }
            }
            EXPECT_GE(close, 0.95 * frames) << rate << (parts == &low ? " low" : " high");
            EXPECT_LE(octaves, 0.01 * frames) << rate;
            EXPECT_LE(falseNotes, 0.02 * silentFrames) << rate;
            EXPECT_GT(frames, 100);
        }
}

namespace {
float hzOf(float midi) { return 440.0f * std::exp2((midi - 69.0f) / 12.0f); }
}  // namespace

// Notes from pitches: a vibrato of ±30 cents never flips the held semitone;
// the voice must go clearly past the middle before the note changes; a
// scale holds its own notes in its key; harmonies are a scale's own (a third
// above E in C major is G, above F it is A) or fixed intervals in Chromatic
// and Free; three unvoiced estimates end the note.
TEST(PitchFollower, QuantisesWithHysteresisInScalesAndHarmonises)
{
    PitchFollower f;
    for (int i = 0; i < 40; ++i) {
        f.follow(true, hzOf(60.0f + 0.3f * std::sin(0.6f * static_cast<float>(i))));
        ASSERT_EQ(f.note(0), 60.0f) << i;
    }
    f.follow(true, hzOf(60.6f));
    EXPECT_EQ(f.note(0), 60.0f);
    f.follow(true, hzOf(60.75f));
    EXPECT_EQ(f.note(0), 61.0f);

    f.setScale(PitchFollower::Scale::major);
    f.setKey(0);
    f.setHarmony(PitchFollower::Harmony::third);
    f.follow(true, hzOf(64.1f));
    EXPECT_EQ(f.noteCount(), 2);
    EXPECT_EQ(f.note(0), 64.0f);
    EXPECT_EQ(f.note(1), 67.0f);
    f.follow(true, hzOf(65.0f));
    EXPECT_EQ(f.note(1), 69.0f);
    f.follow(true, hzOf(66.1f));  // F sharp: nearer G, held at F until clearly past
    EXPECT_EQ(f.note(0), 65.0f);
    f.follow(true, hzOf(66.6f));
    EXPECT_EQ(f.note(0), 67.0f);
    f.setKey(2);  // D major: F sharp is the scale's
    f.follow(true, hzOf(66.1f));
    EXPECT_EQ(f.note(0), 66.0f);

    f.setScale(PitchFollower::Scale::chromatic);
    f.setHarmony(PitchFollower::Harmony::triad);
    f.follow(true, hzOf(64.0f));
    EXPECT_EQ(f.noteCount(), 3);
    EXPECT_EQ(f.note(1), 68.0f);
    EXPECT_EQ(f.note(2), 71.0f);
    f.setScale(PitchFollower::Scale::free);
    f.setHarmony(PitchFollower::Harmony::fifth);
    f.follow(true, hzOf(64.23f));
    EXPECT_NEAR(f.note(0), 64.23f, 1e-3f);
    EXPECT_NEAR(f.note(1), 71.23f, 1e-3f);

    for (int i = 0; i < PitchFollower::kEndAfter - 1; ++i)
        f.follow(false, 0.0f);
    EXPECT_TRUE(f.sounding());
    f.follow(false, 0.0f);
    EXPECT_FALSE(f.sounding());
    EXPECT_EQ(f.noteCount(), 0);
}
