// The engine's sample buffers under mode, carrier and size changes.
#include "shell/Vocoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class Engine : public ::testing::Test {
protected:
    void process(int frames, float level = 0.1f)
    {
        std::vector<float> in(static_cast<size_t>(frames), level), out1(in.size()), out2(in.size());
        float* inputs[] = {in.data(), in.data()};
        float* outputs[] = {out1.data(), out2.data()};
        plugin.processReplacing(inputs, outputs, frames);
    }
    long carrierLead() const
    {
        return static_cast<long>(plugin.carrierBufferLength()) - static_cast<long>(plugin.modulatorBufferLength());
    }
    Vocoder plugin{nullptr};
};

}  // namespace

// The mode 0 invariant: the modulator buffer holds N − hop … N − 1 samples,
// the output buffer 2(N − 1) minus that.
TEST_F(Engine, VocoderModeKeepsItsBufferInvariant)
{
    for (int frames : {1, 100, 37, 512, 4096, 3, 128}) {
        process(frames);
        const size_t m = plugin.modulatorBufferLength();
        EXPECT_GE(m, 512u - 128u);
        EXPECT_LE(m, 511u);
        EXPECT_EQ(plugin.outputBufferLength(), 2 * 511 - m);
        EXPECT_GE(carrierLead(), 0);
    }
}

TEST_F(Engine, CarrierChangeRefillsOnlyTheCarrierBuffer)
{
    plugin.setParameter(kCarrier, 1.0f);
    for (int i = 0; i < 5; ++i)
        process(100);
    EXPECT_EQ(carrierLead(), 0);
    const long before = static_cast<long>(plugin.modulatorBufferLength());
    plugin.setParameter(kCarrier, 0.0f);
    process(100);
    // The carrier restarts from N − 1 fill samples, the modulator keeps its own.
    EXPECT_EQ(carrierLead(), 511 - before);
    process(100);
    EXPECT_EQ(carrierLead(), 511 - before);  // the lag stays until a full reset
    plugin.setParameter(kCarrier, 0.0f);  // the same source again: nothing
    process(100);
    EXPECT_EQ(carrierLead(), 511 - before);
}

TEST_F(Engine, CarrierAndModulatorModesResetTheBuffers)
{
    process(300);
    plugin.setParameter(kMode, 0.5f);
    process(64);
    for (size_t length : {plugin.modulatorBufferLength(), plugin.carrierBufferLength(), plugin.outputBufferLength()})
        EXPECT_EQ(length, 511u);
    plugin.setParameter(kMode, 0.0f);
    process(100);  // from the reset state: one frame
    EXPECT_EQ(plugin.modulatorBufferLength(), 483u);
    EXPECT_EQ(plugin.outputBufferLength(), 539u);
    plugin.setParameter(kMode, 1.0f);
    process(100);
    EXPECT_EQ(plugin.modulatorBufferLength(), 511u);
    EXPECT_EQ(plugin.outputBufferLength(), 511u);
}

TEST_F(Engine, SizeChangesResetAtTheNextBlock)
{
    process(300);
    plugin.setParameter(kFftSize, 0.9f);
    EXPECT_EQ(plugin.engineFftSize(), 512);  // the audio thread switches at its next block
    process(1);
    EXPECT_EQ(plugin.engineFftSize(), 1024);
    EXPECT_EQ(plugin.modulatorBufferLength(), 1024u - 128);  // 1023 fill samples, the block, one frame
    plugin.setParameter(kHopSize, 0.3f);
    process(1);
    EXPECT_EQ(plugin.engineHopSize(), 64);
    EXPECT_EQ(plugin.outputBufferLength(), 1023u + 64 - 1);
    // The fall-back to hop 32 resets the buffers even when the hop is already 32.
    plugin.setParameter(kHopSize, 0.1f);
    process(700);
    plugin.setParameter(kHopSize, 2.0f);
    process(1);
    EXPECT_EQ(plugin.engineHopSize(), 32);
    EXPECT_EQ(plugin.modulatorBufferLength(), 1024u - 32);
}

TEST_F(Engine, SuspendAndResumeKeepTheSettingsAndResetTheBuffers)
{
    plugin.setParameter(kFftSize, 0.4f);
    plugin.setParameter(kAttack, 0.25f);
    process(1000);
    AEffect* e = plugin.getAeffect();
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    EXPECT_EQ(plugin.getParameter(kFftSize), 0.4f);
    EXPECT_EQ(plugin.getParameter(kAttack), 0.25f);
    EXPECT_EQ(plugin.engineFftSize(), 256);
    EXPECT_EQ(plugin.spectralSizes().hopSize(), 128);
    EXPECT_EQ(plugin.modulatorBufferLength(), 255u);
    EXPECT_EQ(plugin.outputBufferLength(), 255u);
}
