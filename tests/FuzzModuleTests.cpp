#include "ModuleTestHelpers.h"

#include "dsp/FuzzModule.h"

using namespace testing_support;

TEST (FuzzModule, SizesAndTimingsFollowTheSampleRate)
{
    const struct
    {
        double rate;
        int holdSamples, rampSteps;
    } cases[] = { { 44100.0, 1102, 1323 }, { 96000.0, 2400, 2880 } };

    for (const auto& c : cases)
    {
        FuzzModule fuzz;
        fuzz.prepare (c.rate);
        EXPECT_EQ (fuzz.holdSamples, c.holdSamples) << c.rate;
        EXPECT_EQ (rampSteps (fuzz.amount), c.rampSteps) << c.rate;
        EXPECT_EQ (fuzz.releaseFactor, std::exp (-1.0f / (static_cast<float> (c.rate) * 0.2f)));
    }
}

TEST (FuzzModule, CurveAtZeroIsTheIdentity)
{
    const auto curve = makeFuzzCurve (0.0f);
    EXPECT_EQ (curve.bias, 0.0f);
    EXPECT_EQ (curve.preGain, 1.0f);
    EXPECT_EQ (curve.threshold1, 1.0f);
    EXPECT_EQ (curve.interGain, 1.0f);
    EXPECT_EQ (curve.threshold2, 1.0f);
    EXPECT_EQ (curve.negativeScale, 1.0f);
    EXPECT_EQ (curve.outputGain, 1.0f);

    // At full control negative swings meet knees at 0.6 of the positive ones.
    const auto full = makeFuzzCurve (1.0f);
    EXPECT_FLOAT_EQ (full.negativeScale, 0.6f);
    EXPECT_FLOAT_EQ (full.preGain, 5.0f);
    EXPECT_LE (full.outputGain, 1.0f);
    EXPECT_EQ (makeFuzzCurve (2.0f).preGain, full.preGain) << "control is limited to 0..1";
}

TEST (FuzzModule, HalfBandTapsAreSymmetricAndSumToOne)
{
    double sum = 0.0;
    for (int j = 0; j < 48; ++j)
    {
        EXPECT_EQ (OversampledShaper::halfbandTaps[j], OversampledShaper::halfbandTaps[47 - j]) << j;
        sum += OversampledShaper::halfbandTaps[j];
    }
    EXPECT_NEAR (sum, 0.999995, 1.0e-6);
}

TEST (FuzzModule, OversamplingPathDelaysAnImpulseBy48Samples)
{
    // With an identity curve and the tone lowpass opened fully, the shaper is the pure
    // up/down-sampling path; its impulse response must peak exactly where the dry path lands.
    OversampledShaper shaper;
    shaper.tone[0].coefficient = 1.0f;
    const auto identity = makeFuzzCurve (0.0f);

    int peakIndex = -1;
    float peak = 0.0f;
    for (int i = 0; i < 200; ++i)
    {
        const float y = shaper.processSample (0, i == 0 ? 0.5f : 0.0f, identity, 0.0f);
        if (std::abs (y) > peak)
        {
            peak = std::abs (y);
            peakIndex = i;
        }
    }
    EXPECT_EQ (peakIndex, FuzzModule::latencySamples);
    EXPECT_NEAR (peak, 0.5f, 0.02f); // unity gain through the up/down pair
}

TEST (FuzzModule, AtZeroOutputIsTheInputDelayedBy48Samples)
{
    auto fuzz = settledModule<FuzzModule> (0.0f);
    const auto input = makeTestBuffer (2, 6000);
    auto output = copyOf (input);
    processInBlocks (output, { 512, 7, 1000 }, [&] (auto& block) { fuzz.process (block, 2); });

    for (int ch = 0; ch < 2; ++ch)
    {
        for (int i = 0; i < 48; ++i)
            ASSERT_EQ (output.getSample (ch, i), 0.0f);
        EXPECT_TRUE (bitIdentical (output.getReadPointer (ch) + 48, input.getReadPointer (ch), 6000 - 48)) << ch;
    }
    EXPECT_NE (fuzz.shaper.upHistory[0][5], 0.0f) << "the wet path keeps running underneath";
}

TEST (FuzzModule, WetMixIsFullFromAControlOf8Percent)
{
    const struct
    {
        float control, mix;
    } cases[] = { { 0.0f, 0.0f }, { 0.04f, 0.5f }, { 0.08f, 1.0f }, { 0.5f, 1.0f } };

    for (const auto& c : cases)
    {
        auto fuzz = settledModule<FuzzModule> (c.control);
        juce::AudioBuffer<float> buffer (2, 64);
        buffer.clear();
        fuzz.process (buffer, 2);
        EXPECT_FLOAT_EQ (fuzz.previousMix, c.mix) << c.control;
    }
}

TEST (FuzzModule, MixGlidesLinearlyAcrossTheBlock)
{
    // Two identical modules at full control; one starts the block from a mix of 0, the other
    // from 1, so their outputs reveal the first one's per-sample mix.
    auto gliding = settledModule<FuzzModule> (1.0f);
    auto full = settledModule<FuzzModule> (1.0f);
    auto warmUp = makeTestBuffer (2, 2048, 9);
    auto warmUpCopy = copyOf (warmUp);
    gliding.process (warmUp, 2);
    full.process (warmUpCopy, 2);
    gliding.previousMix = 0.0f;

    const int n = 400;
    const auto input = makeTestBuffer (2, 2048 + n, 9);
    juce::AudioBuffer<float> a (2, n), b (2, n);
    for (int ch = 0; ch < 2; ++ch)
    {
        a.copyFrom (ch, 0, input, ch, 2048, n);
        b.copyFrom (ch, 0, input, ch, 2048, n);
    }
    gliding.process (a, 2);
    full.process (b, 2);

    int checked = 0;
    for (int i = 0; i < n; ++i)
    {
        const float dry = input.getSample (0, 2048 + i - 48);
        const float wetMinusDry = b.getSample (0, i) - dry;
        if (std::abs (wetMinusDry) < 0.05f)
            continue;
        EXPECT_NEAR ((a.getSample (0, i) - dry) / wetMinusDry, static_cast<float> (i + 1) / n, 2.0e-3f) << i;
        ++checked;
    }
    EXPECT_GT (checked, 50);
    EXPECT_EQ (gliding.previousMix, 1.0f);
}

TEST (FuzzModule, EnvelopeHoldsThenReleasesOnSilence)
{
    auto fuzz = settledModule<FuzzModule> (0.5f);
    juce::AudioBuffer<float> buffer (1, 3000);
    buffer.clear();
    buffer.setSample (0, 0, 0.8f);
    const int hold = fuzz.holdSamples;

    juce::AudioBuffer<float> first (1, 1 + hold);
    first.copyFrom (0, 0, buffer, 0, 0, 1 + hold);
    fuzz.process (first, 1);
    EXPECT_EQ (fuzz.envelope, 0.8f) << "held for holdSamples after the peak";
    EXPECT_EQ (fuzz.holdCounter, 0);

    juce::AudioBuffer<float> next (1, 10);
    next.clear();
    fuzz.process (next, 1);
    float expected = 0.8f;
    for (int i = 0; i < 10; ++i)
        expected *= fuzz.releaseFactor;
    EXPECT_EQ (fuzz.envelope, expected);
}

TEST (FuzzModule, MonoAdvancesSharedStateAndLeavesChannelOneAlone)
{
    auto fuzz = settledModule<FuzzModule> (0.6f);
    auto buffer = makeTestBuffer (2, 1000);
    const auto original = copyOf (buffer);
    fuzz.process (buffer, 1);

    EXPECT_EQ (fuzz.dryDelayIndex, 1000 % 49);
    EXPECT_TRUE (bitIdentical (buffer.getReadPointer (1), original.getReadPointer (1), 1000));
    for (float sample : fuzz.shaper.upHistory[1])
        ASSERT_EQ (sample, 0.0f);
    for (float sample : fuzz.dryDelay[1])
        ASSERT_EQ (sample, 0.0f);
    EXPECT_EQ (fuzz.toneFilters[1][0].s1, 0.0f);
    EXPECT_EQ (fuzz.dcBlockers[1].y1, 0.0f);
}

TEST (FuzzModule, EmptyBlockChangesNothingAndPartitionDoesNotMatterOnceSettled)
{
    auto fuzz = settledModule<FuzzModule> (0.0f);
    fuzz.amount.setTargetValue (1.0f);
    juce::AudioBuffer<float> empty (2, 0);
    fuzz.process (empty, 2);
    EXPECT_EQ (fuzz.amount.getCurrentValue(), 0.0f);
    EXPECT_EQ (fuzz.dryDelayIndex, 0);

    // After one block the mix has reached its target; from then on only the signal matters.
    auto fuzzA = settledModule<FuzzModule> (0.7f);
    auto fuzzB = settledModule<FuzzModule> (0.7f);
    auto warmUp = makeTestBuffer (2, 512, 3);
    auto warmUpCopy = copyOf (warmUp);
    fuzzA.process (warmUp, 2);
    fuzzB.process (warmUpCopy, 2);

    const auto input = makeTestBuffer (2, 12000, 4);
    auto whole = copyOf (input);
    fuzzA.process (whole, 2);

    auto pieces = copyOf (input);
    processInBlocks (pieces, { 1, 7, 128, 4096, 0, 5, 2000 }, [&] (auto& block) { fuzzB.process (block, 2); });
    EXPECT_TRUE (buffersIdentical (whole, pieces));
}
