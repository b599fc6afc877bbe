#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

#include "dsp/BleedModule.h"

using namespace testing_support;

TEST (BleedModule, SizesAndTimingsFollowTheSampleRate)
{
    const struct
    {
        double rate;
        int subPeriod, octavePeriod, delayLength, driftHold, rampSteps;
    } cases[] = { { 44100.0, 4851, 3308, 16384, 3087, 2205 }, { 96000.0, 10560, 7200, 32768, 6720, 4800 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.rate);
        BleedModule bleed;
        bleed.prepare ({ c.rate, 512 });
        EXPECT_EQ (ModuleProbe::subPeriod (bleed), c.subPeriod);
        EXPECT_EQ (ModuleProbe::octavePeriod (bleed), c.octavePeriod);
        EXPECT_EQ (ModuleProbe::delayLength (bleed), c.delayLength);
        EXPECT_EQ (ModuleProbe::delayMask (bleed), c.delayLength - 1);
        EXPECT_EQ (static_cast<int> (ModuleProbe::delayBuffers (bleed)[1].size()), c.delayLength);
        EXPECT_EQ (ModuleProbe::driftHoldSamples (bleed), c.driftHold);
        EXPECT_EQ (rampSteps (ModuleProbe::amount (bleed)), c.rampSteps);
        EXPECT_EQ (ModuleProbe::amount (bleed).getCurrentValue(), 0.0f);
        EXPECT_EQ (ModuleProbe::inputLowpass (bleed)[0].k, 1.4144272f);
    }

    EXPECT_EQ (ModuleProbe::tapBaseDelays[0], 0.009300001f);
    EXPECT_EQ (ModuleProbe::tapBaseDelays[1], 0.015100001f);
    EXPECT_EQ (ModuleProbe::tapBaseDelays[2], 0.022400001f);
}

TEST (BleedModule, RampRisesLinearlyToFullEffect)
{
    BleedModule bleed;
    bleed.prepare ({ 44100.0, 512 });
    bleed.setControls ({ 1.0f });
    juce::AudioBuffer<float> buffer (2, 2204);
    buffer.clear();
    bleed.process (buffer, 2);
    EXPECT_NEAR (ModuleProbe::amount (bleed).getCurrentValue(), 2204.0f / 2205.0f, 5.0e-5f);
    EXPECT_LT (ModuleProbe::amount (bleed).getCurrentValue(), 1.0f);
    juce::AudioBuffer<float> one (2, 1);
    one.clear();
    bleed.process (one, 2);
    EXPECT_EQ (ModuleProbe::amount (bleed).getCurrentValue(), 1.0f);
}

TEST (BleedModule, FirstDriftTargetsAreDrawnOnSample3087InChannelThenTapOrder)
{
    auto bleed = settledModule<BleedModule> (0.5f);
    juce::AudioBuffer<float> buffer (2, 3086);
    buffer.clear();
    bleed.process (buffer, 2);
    for (auto& channel : ModuleProbe::tapDriftTarget (bleed))
        for (float target : channel)
            EXPECT_EQ (target, 0.0f);

    juce::AudioBuffer<float> one (2, 1);
    one.clear();
    bleed.process (one, 2);

    // Octave head 0 wrapped on the first sample and head 1 half a cycle later: two draws first.
    juce::Random reference (60607);
    reference.nextFloat();
    reference.nextFloat();
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ (ModuleProbe::tapDriftTarget (bleed)[ch][k], reference.nextFloat()) << ch << "/" << k;
}

TEST (BleedModule, HeadWindowPairsSumToOne)
{
    auto bleed = settledModule<BleedModule> (1.0f);
    for (int block = 0; block < 50; ++block)
    {
        juce::AudioBuffer<float> buffer (2, 397);
        buffer.clear();
        bleed.process (buffer, 2);
        const auto window = [] (float phase) { const float s = std::sin (phase * 3.1415927f); return s * s; };
        EXPECT_NEAR (window (ModuleProbe::subPhase (bleed)[0]) + window (ModuleProbe::subPhase (bleed)[1]), 1.0f, 1.0e-3f);
        EXPECT_NEAR (window (ModuleProbe::octavePhase (bleed)[0]) + window (ModuleProbe::octavePhase (bleed)[1]), 1.0f, 1.0e-3f);
    }
}

TEST (BleedModule, DcSurvivesAtZeroAndDecaysAboveZero)
{
    for (float control : { 0.0f, 0.001f })
    {
        auto bleed = settledModule<BleedModule> (control);
        juce::AudioBuffer<float> buffer (1, 44100);
        juce::FloatVectorOperations::fill (buffer.getWritePointer (0), 0.5f, 44100);
        bleed.process (buffer, 1);
        if (control == 0.0f)
            EXPECT_EQ (buffer.getSample (0, 44099), 0.5f);
        else
            EXPECT_LT (std::abs (buffer.getSample (0, 44099)), 0.01f);
    }
}

TEST (BleedModule, MonoLeavesChannelOneStateUntouched)
{
    const auto bleed = afterNarrowBlock<BleedModule> (10000, 1);
    EXPECT_TRUE (allZero (ModuleProbe::delayBuffers (bleed)[1]));
    EXPECT_EQ (ModuleProbe::inputLowpass (bleed)[1].s1, 0.0f);
    EXPECT_EQ (ModuleProbe::dcBlockers (bleed)[1].y1, 0.0f);
    EXPECT_EQ (ModuleProbe::tapPhase (bleed)[1][0], 0.5f * 6.2831855f);
    EXPECT_EQ (ModuleProbe::tapHoldCounter (bleed)[1][2], 0);
    EXPECT_EQ (ModuleProbe::tapHoldCounter (bleed)[0][2], 10000 % 3087);
}

TEST (BleedModule, NoChannelsAndEmptyBlocks)
{
    // numChannels 0: the buffer is untouched, but the control, heads and random draws advance.
    auto bleed = settledModule<BleedModule> (0.0f);
    bleed.setControls ({ 1.0f });
    auto buffer = makeTestBuffer (2, 4000);
    const auto original = copyOf (buffer);
    bleed.process (buffer, 0);
    EXPECT_TRUE (buffersIdentical (buffer, original));
    EXPECT_GT (ModuleProbe::amount (bleed).getCurrentValue(), 0.0f);
    EXPECT_NE (ModuleProbe::octaveOffset (bleed)[0], 0.0f);
    EXPECT_EQ (ModuleProbe::tapHoldCounter (bleed)[0][0], 0) << "chorus taps of unprocessed channels do not advance";

    // A zero-length block changes nothing, not even the smoother.
    const float before = ModuleProbe::amount (bleed).getCurrentValue();
    const int writeBefore = ModuleProbe::writeIndex (bleed);
    juce::AudioBuffer<float> empty (2, 0);
    bleed.process (empty, 2);
    EXPECT_EQ (ModuleProbe::amount (bleed).getCurrentValue(), before);
    EXPECT_EQ (ModuleProbe::writeIndex (bleed), writeBefore);

    // More than two channels are treated as two.
    auto three = makeTestBuffer (3, 256);
    const auto threeOriginal = copyOf (three);
    bleed.process (three, 3);
    EXPECT_TRUE (bitIdentical (three.getReadPointer (2), threeOriginal.getReadPointer (2), 256));
}

TEST (BleedModule, RePrepareResetsEverythingButTheRandomSequence)
{
    const auto input = makeTestBuffer (2, 6000);

    auto fresh = settledModule<BleedModule> (1.0f);
    auto freshOut = copyOf (input);
    fresh.process (freshOut, 2);

    auto reused = settledModule<BleedModule> (1.0f);
    auto scratch = copyOf (input);
    reused.process (scratch, 2);
    reused.prepare ({ 44100.0, 512 });
    reused.setControls ({ 1.0f });
    reused.reset();
    auto reusedOut = copyOf (input);
    reused.process (reusedOut, 2);
    EXPECT_FALSE (buffersIdentical (freshOut, reusedOut)) << "the random sequence runs on";

    reused.prepare ({ 44100.0, 512 });
    reused.setControls ({ 1.0f });
    reused.reset();
    ModuleProbe::reseed (reused);
    auto reseededOut = copyOf (input);
    reused.process (reseededOut, 2);
    EXPECT_TRUE (buffersIdentical (freshOut, reseededOut)) << "everything else restarts";
}
