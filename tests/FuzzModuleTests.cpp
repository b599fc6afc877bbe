#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

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
        fuzz.prepare ({ c.rate, 512 });
        EXPECT_EQ (ModuleProbe::holdSamples (fuzz), c.holdSamples) << c.rate;
        EXPECT_EQ (rampSteps (ModuleProbe::amount (fuzz)), c.rampSteps) << c.rate;
        EXPECT_EQ (ModuleProbe::releaseFactor (fuzz), std::exp (-1.0f / (static_cast<float> (c.rate) * 0.2f)));
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
    ModuleProbe::tone (shaper)[0].coefficient = 1.0f;
    const auto identity = makeFuzzCurve (0.0f);

    // Two chunks, so that the history carried from one chunk to the next is part of the path.
    float signal[2 * OversampledShaper::maxChunk] {};
    signal[0] = 0.5f;
    const float biases[OversampledShaper::maxChunk] {};
    for (int start = 0; start < 2 * OversampledShaper::maxChunk; start += OversampledShaper::maxChunk)
    {
        float* chunk = signal + start;
        shaper.processChunk (0, 1, &chunk, OversampledShaper::maxChunk, identity, biases);
    }

    int peakIndex = -1;
    float peak = 0.0f;
    for (int i = 0; i < 2 * OversampledShaper::maxChunk; ++i)
    {
        if (std::abs (signal[i]) > peak)
        {
            peak = std::abs (signal[i]);
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
    EXPECT_NE (ModuleProbe::upHistory (ModuleProbe::shaper (fuzz))[0][5], 0.0f) << "the wet path keeps running underneath";
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
        EXPECT_FLOAT_EQ (ModuleProbe::previousMix (fuzz), c.mix) << c.control;
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
    ModuleProbe::previousMix (gliding) = 0.0f;

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
    EXPECT_EQ (ModuleProbe::previousMix (gliding), 1.0f);
}

TEST (FuzzModule, EnvelopeHoldsThenReleasesOnSilence)
{
    auto fuzz = settledModule<FuzzModule> (0.5f);
    juce::AudioBuffer<float> buffer (1, 3000);
    buffer.clear();
    buffer.setSample (0, 0, 0.8f);
    const int hold = ModuleProbe::holdSamples (fuzz);

    juce::AudioBuffer<float> first (1, 1 + hold);
    first.copyFrom (0, 0, buffer, 0, 0, 1 + hold);
    fuzz.process (first, 1);
    EXPECT_EQ (ModuleProbe::envelope (fuzz), 0.8f) << "held for holdSamples after the peak";
    EXPECT_EQ (ModuleProbe::holdCounter (fuzz), 0);

    juce::AudioBuffer<float> next (1, 10);
    next.clear();
    fuzz.process (next, 1);
    float expected = 0.8f;
    for (int i = 0; i < 10; ++i)
        expected *= ModuleProbe::releaseFactor (fuzz);
    EXPECT_EQ (ModuleProbe::envelope (fuzz), expected);
}

TEST (FuzzModule, MonoAdvancesSharedStateAndLeavesChannelOneAlone)
{
    auto fuzz = settledModule<FuzzModule> (0.6f);
    auto buffer = makeTestBuffer (2, 1000);
    fuzz.process (buffer, 1);

    EXPECT_EQ (ModuleProbe::dryDelayIndex (fuzz), 1000 % 49);
    for (float sample : ModuleProbe::upHistory (ModuleProbe::shaper (fuzz))[1])
        ASSERT_EQ (sample, 0.0f);
    EXPECT_TRUE (allZero (ModuleProbe::dryDelay (fuzz)[1]));
    EXPECT_EQ (ModuleProbe::toneFilters (fuzz)[1][0].s1, 0.0f);
    EXPECT_EQ (ModuleProbe::dcBlockers (fuzz)[1].y1, 0.0f);
}

TEST (FuzzModule, EmptyBlockChangesNothing)
{
    auto fuzz = settledModule<FuzzModule> (0.0f);
    fuzz.setControls ({ 1.0f });
    juce::AudioBuffer<float> empty (2, 0);
    fuzz.process (empty, 2);
    EXPECT_EQ (ModuleProbe::amount (fuzz).getCurrentValue(), 0.0f);
    EXPECT_EQ (ModuleProbe::dryDelayIndex (fuzz), 0);
}
