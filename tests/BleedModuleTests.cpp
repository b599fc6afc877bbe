#include "ModuleTestHelpers.h"

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
        bleed.prepare (c.rate, 512);
        EXPECT_EQ (bleed.subPeriod, c.subPeriod);
        EXPECT_EQ (bleed.octavePeriod, c.octavePeriod);
        EXPECT_EQ (bleed.delayLength, c.delayLength);
        EXPECT_EQ (bleed.delayMask, c.delayLength - 1);
        EXPECT_EQ (static_cast<int> (bleed.delayBuffers[1].size()), c.delayLength);
        EXPECT_EQ (bleed.driftHoldSamples, c.driftHold);
        EXPECT_EQ (rampSteps (bleed.amount), c.rampSteps);
        EXPECT_EQ (bleed.amount.getCurrentValue(), 0.0f);
        EXPECT_EQ (bleed.inputLowpass[0].k, 1.4144272f);
    }

    EXPECT_EQ (BleedModule::tapBaseDelays[0], 0.009300001f);
    EXPECT_EQ (BleedModule::tapBaseDelays[1], 0.015100001f);
    EXPECT_EQ (BleedModule::tapBaseDelays[2], 0.022400001f);
}

TEST (BleedModule, AtZeroAfterTheRampOutputIsTheInputBitForBit)
{
    BleedModule bleed;
    bleed.prepare (44100.0, 512);
    auto warmUp = makeTestBuffer (2, 4096, 3);
    bleed.amount.setTargetValue (0.7f);
    bleed.process (warmUp, 2);
    bleed.amount.setTargetValue (0.0f);
    bleed.process (warmUp, 2); // ramps back down within 2205 samples

    const auto input = makeTestBuffer (2, 8192, 5);
    auto output = copyOf (input);
    const int writeBefore = bleed.writeIndex;
    bleed.process (output, 2);

    EXPECT_TRUE (buffersIdentical (input, output));
    EXPECT_NE (bleed.writeIndex, writeBefore) << "state keeps running underneath";
}

TEST (BleedModule, RampRisesLinearlyToFullEffect)
{
    BleedModule bleed;
    bleed.prepare (44100.0, 512);
    bleed.amount.setTargetValue (1.0f);
    juce::AudioBuffer<float> buffer (2, 2204);
    buffer.clear();
    bleed.process (buffer, 2);
    EXPECT_NEAR (bleed.amount.getCurrentValue(), 2204.0f / 2205.0f, 5.0e-5f);
    EXPECT_LT (bleed.amount.getCurrentValue(), 1.0f);
    juce::AudioBuffer<float> one (2, 1);
    one.clear();
    bleed.process (one, 2);
    EXPECT_EQ (bleed.amount.getCurrentValue(), 1.0f);
}

TEST (BleedModule, OutputDoesNotDependOnBlockPartition)
{
    const auto input = makeTestBuffer (2, 20000, 7);

    auto whole = copyOf (input);
    auto bleedA = settledModule<BleedModule> (0.8f);
    bleedA.process (whole, 2);

    auto pieces = copyOf (input);
    auto bleedB = settledModule<BleedModule> (0.8f);
    processInBlocks (pieces, { 1, 7, 128, 4096, 3, 1000, 513 }, [&] (auto& block) { bleedB.process (block, 2); });

    EXPECT_TRUE (buffersIdentical (whole, pieces));
    EXPECT_GT (std::abs (whole.getSample (0, 15000) - input.getSample (0, 15000)), 0.0f);
}

TEST (BleedModule, FirstDriftTargetsAreDrawnOnSample3087InChannelThenTapOrder)
{
    auto bleed = settledModule<BleedModule> (0.5f);
    juce::AudioBuffer<float> buffer (2, 3086);
    buffer.clear();
    bleed.process (buffer, 2);
    for (auto& channel : bleed.tapDriftTarget)
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
            EXPECT_EQ (bleed.tapDriftTarget[ch][k], reference.nextFloat()) << ch << "/" << k;
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
        EXPECT_NEAR (window (bleed.subPhase[0]) + window (bleed.subPhase[1]), 1.0f, 1.0e-3f);
        EXPECT_NEAR (window (bleed.octavePhase[0]) + window (bleed.octavePhase[1]), 1.0f, 1.0e-3f);
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
    auto bleed = settledModule<BleedModule> (1.0f);
    auto buffer = makeTestBuffer (2, 10000);
    const auto channelOne = copyOf (buffer);
    bleed.process (buffer, 1);

    EXPECT_TRUE (bitIdentical (buffer.getReadPointer (1), channelOne.getReadPointer (1), 10000));
    for (float sample : bleed.delayBuffers[1])
        ASSERT_EQ (sample, 0.0f);
    EXPECT_EQ (bleed.inputLowpass[1].s1, 0.0f);
    EXPECT_EQ (bleed.dcBlockers[1].y1, 0.0f);
    EXPECT_EQ (bleed.tapPhase[1][0], 0.5f * 6.2831855f);
    EXPECT_EQ (bleed.tapHoldCounter[1][2], 0);
    EXPECT_EQ (bleed.tapHoldCounter[0][2], 10000 % 3087);
}

TEST (BleedModule, NoChannelsAndEmptyBlocks)
{
    // numChannels 0: the buffer is untouched, but the control, heads and random draws advance.
    auto bleed = settledModule<BleedModule> (0.0f);
    bleed.amount.setTargetValue (1.0f);
    auto buffer = makeTestBuffer (2, 4000);
    const auto original = copyOf (buffer);
    bleed.process (buffer, 0);
    EXPECT_TRUE (buffersIdentical (buffer, original));
    EXPECT_GT (bleed.amount.getCurrentValue(), 0.0f);
    EXPECT_NE (bleed.octaveOffset[0], 0.0f);
    EXPECT_EQ (bleed.tapHoldCounter[0][0], 0) << "chorus taps of unprocessed channels do not advance";

    // A zero-length block changes nothing, not even the smoother.
    const float before = bleed.amount.getCurrentValue();
    const int writeBefore = bleed.writeIndex;
    juce::AudioBuffer<float> empty (2, 0);
    bleed.process (empty, 2);
    EXPECT_EQ (bleed.amount.getCurrentValue(), before);
    EXPECT_EQ (bleed.writeIndex, writeBefore);

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
    reused.prepare (44100.0, 512);
    reused.amount.setCurrentAndTargetValue (1.0f);
    auto reusedOut = copyOf (input);
    reused.process (reusedOut, 2);
    EXPECT_FALSE (buffersIdentical (freshOut, reusedOut)) << "the random sequence runs on";

    reused.prepare (44100.0, 512);
    reused.amount.setCurrentAndTargetValue (1.0f);
    reused.random.setSeed (60607);
    auto reseededOut = copyOf (input);
    reused.process (reseededOut, 2);
    EXPECT_TRUE (buffersIdentical (freshOut, reseededOut)) << "everything else restarts";
}
