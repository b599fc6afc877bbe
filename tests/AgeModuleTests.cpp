#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

#include "dsp/AgeModule.h"

using namespace testing_support;

TEST (AgeModule, SizesFollowTheSampleRate)
{
    const struct
    {
        double rate;
        int bufferSize, driftPeriod, rampSteps;
    } cases[] = { { 44100.0, 8192, 1984, 3528 },
                  { 48000.0, 8192, 2160, 3840 },
                  { 96000.0, 16384, 4320, 7680 },
                  { 192000.0, 32768, 8640, 15360 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.rate);
        AgeModule age;
        age.prepare ({ c.rate, 512 });
        EXPECT_EQ (ModuleProbe::bufferSize (age), c.bufferSize);
        EXPECT_EQ (static_cast<int> (ModuleProbe::buffers (age)[1].size()), c.bufferSize);
        EXPECT_EQ (ModuleProbe::driftPeriod (age), c.driftPeriod);
        EXPECT_EQ (rampSteps (ModuleProbe::amount (age)), c.rampSteps);
        EXPECT_EQ (ModuleProbe::drive (age), 1.0f);
        EXPECT_EQ (ModuleProbe::clipThreshold (age), 1.0f);
        EXPECT_EQ (ModuleProbe::makeupGain (age), 1.0f);
    }
}

TEST (AgeModule, SetAmountSetsDriveKneeMakeUpAndCorner)
{
    const struct
    {
        float amount, makeup, drive, knee, corner;
    } cases[] = {
        { 0.0f, 1.0f, 1.0f, 1.0f, 19000.0f },     { 0.25f, 0.879f, 1.1375f, 0.9398f, 15305.0f },
        { 0.5f, 0.784f, 1.275f, 0.8832f, 12329.0f }, { 0.75f, 0.708f, 1.4125f, 0.8300f, 9931.0f },
        { 1.0f, 0.650f, 1.55f, 0.78f, 8000.0f },    { 3.0f, 0.650f, 1.55f, 0.78f, 8000.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.amount);
        AgeModule age;
        age.prepare ({ 44100.0, 512 });
        age.setControls ({ c.amount });
        EXPECT_NEAR (ModuleProbe::makeupGain (age), c.makeup, 1.0e-3f);
        EXPECT_FLOAT_EQ (ModuleProbe::drive (age), c.drive);
        EXPECT_NEAR (ModuleProbe::clipThreshold (age), c.knee, 1.0e-4f);
        EXPECT_NEAR (onePoleCornerHz (ModuleProbe::lowpasses (age)[1].coefficient, 44100.0f), c.corner, c.corner * 2.0e-3f);
    }

    // At 32 kHz the 19 kHz corner is held at 0.45 of the rate.
    AgeModule slow;
    slow.prepare ({ 32000.0, 512 });
    EXPECT_NEAR (onePoleCornerHz (ModuleProbe::lowpasses (slow)[0].coefficient, 32000.0f), 14400.0f, 5.0f);
}

TEST (AgeModule, AtZeroOutputIsTheInputDelayedByFourSamples)
{
    AgeModule age;
    age.prepare ({ 44100.0, 512 });
    const auto input = makeTestBuffer (2, 9000);
    auto output = copyOf (input);
    processInBlocks (output, { 1000, 1, 77 }, [&] (auto& block) {
        age.setControls ({ 0.0f });
        age.process (block, 2);
    });

    for (int ch = 0; ch < 2; ++ch)
    {
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ (output.getSample (ch, i), 0.0f);
        EXPECT_TRUE (bitIdentical (output.getReadPointer (ch) + 4, input.getReadPointer (ch), 9000 - 4)) << ch;
    }
}

TEST (AgeModule, DriftStaysZeroUntilTheFirstTarget)
{
    auto age = settledModule<AgeModule> (1.0f);
    juce::AudioBuffer<float> buffer (2, 1983);
    buffer.clear();
    age.process (buffer, 2);
    EXPECT_EQ (ModuleProbe::driftValues (age)[0], 0.0f);
    EXPECT_EQ (ModuleProbe::driftTargets (age)[1], 0.0f);

    juce::AudioBuffer<float> one (2, 1);
    one.clear();
    age.process (one, 2);
    juce::Random reference (8675309);
    EXPECT_EQ (ModuleProbe::driftTargets (age)[0], reference.nextFloat()) << "channel 0 draws first";
    EXPECT_EQ (ModuleProbe::driftTargets (age)[1], reference.nextFloat());
    EXPECT_GT (ModuleProbe::driftValues (age)[0], 0.0f);
}

TEST (AgeModule, MonoNoChannelsAndEmptyBlocks)
{
    const auto age = afterNarrowBlock<AgeModule> (3000, 1);
    EXPECT_EQ (ModuleProbe::lfoPhases (age)[1][0], 0.0f);
    EXPECT_EQ (ModuleProbe::driftCounters (age)[1], 0);
    EXPECT_EQ (ModuleProbe::driftCounters (age)[0], 3000 % 1984);
    EXPECT_NEAR (ModuleProbe::lfoPhases (age)[0][0], 3000 * (6.2831855f / 44100.0f) * 0.19f, 1.0e-3f);

    auto idle = afterNarrowBlock<AgeModule> (500, 0);
    EXPECT_EQ (ModuleProbe::writeIndex (idle), 500);
    EXPECT_EQ (ModuleProbe::lfoPhases (idle)[0][0], 0.0f);

    juce::AudioBuffer<float> empty (2, 0);
    idle.setControls ({ 0.2f });
    const float before = ModuleProbe::amount (idle).getCurrentValue();
    idle.process (empty, 2);
    EXPECT_EQ (ModuleProbe::amount (idle).getCurrentValue(), before);
    EXPECT_EQ (ModuleProbe::writeIndex (idle), 500);
}
