#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

#include "dsp/GrainModule.h"

using namespace testing_support;

TEST (GrainModule, SizesFollowTheSampleRate)
{
    const struct
    {
        double rate;
        int maxGrain, bufferSize, minGrain, rampSteps;
        float lowpass;
    } cases[] = {
        { 44100.0, 14112, 65536, 308, 2205, 0.680119f },   { 48000.0, 15360, 65536, 336, 2400, 0.649080f },
        { 88200.0, 28224, 131072, 617, 4410, 0.434420f },  { 96000.0, 30720, 131072, 672, 4800, 0.407615f },
        { 192000.0, 61440, 262144, 1344, 9600, 0.230335f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.rate);
        GrainModule grain;
        grain.prepare ({ c.rate, 512 });
        EXPECT_EQ (ModuleProbe::maxGrainLength (grain), c.maxGrain);
        EXPECT_EQ (ModuleProbe::bufferSize (grain), c.bufferSize);
        EXPECT_EQ (static_cast<int> (ModuleProbe::buffers (grain)[1].size()), c.bufferSize);
        EXPECT_EQ (ModuleProbe::minGrainLength (grain), c.minGrain);
        EXPECT_EQ (rampSteps (ModuleProbe::amount (grain)), c.rampSteps);
        EXPECT_NEAR (ModuleProbe::lowpasses (grain)[0].coefficient, c.lowpass, 1.0e-6f);
        EXPECT_EQ (ModuleProbe::beatLength (grain), 0.5f * static_cast<float> (c.rate));
    }
}

TEST (GrainModule, GrainLengthIsAFractionOfTheBeat)
{
    const struct
    {
        float beatLength, control;
        int grainLength;
    } cases[] = {
        { 22050.0f, 0.0f, 11025 },   // half a beat at 120 bpm, 44.1 kHz
        { 22050.0f, 0.2f, 8269 },    // three eighths
        { 22050.0f, 1.0f, 1378 },    // exactly 100 % still selects the sixteenth
        { 22050.0f, 0.142f, 11025 }, // below about 14.3 %: half a beat
        { 22050.0f, 0.86f, 1378 },   // above about 85.8 %: a sixteenth
        { 22050.0f, 5.0f, 1378 },    // values above 1 are limited
        { 22050.0f, -1.0f, 11025 },  // values below 0 are limited
        { 132300.0f, 0.0f, 14112 },  // 20 bpm: cut to the longest grain
        { 2205.0f, 1.0f, 308 },      // very fast: held at the shortest grain
    };

    for (const auto& c : cases)
    {
        GrainModule grain;
        grain.prepare ({ 44100.0, 512 });
        grain.setControls ({ c.control, c.beatLength });
        EXPECT_EQ (ModuleProbe::grainLength (grain), c.grainLength) << c.beatLength << " / " << c.control;
    }
}

TEST (GrainModule, FullWetLevelScalesDryAndGrains)
{
    auto grain = settledModule<GrainModule> (1.0f);
    juce::AudioBuffer<float> buffer (1, 1);
    buffer.setSample (0, 0, 0.8f);
    grain.process (buffer, 1);
    // The grains read silence on the first sample, so only the dry share remains: 1 - 0.45 * 0.95.
    EXPECT_FLOAT_EQ (buffer.getSample (0, 0), 0.8f * 0.5725f);
}

TEST (GrainModule, OffsetsAreDrawnOnlyWhenAVoiceWraps)
{
    auto grain = settledModule<GrainModule> (0.0f); // G = 11025
    juce::AudioBuffer<float> buffer (2, 1);
    buffer.clear();
    grain.process (buffer, 2);

    juce::Random reference (4711);
    const float G = 11025.0f;
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[0], reference.nextFloat() * G * 0.35f);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[1], 0.0f);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[2], reference.nextFloat() * G * 1.6f);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[3], 0.0f);

    // Voices 1 and 3 wrap half a grain after prepare.
    juce::AudioBuffer<float> half (2, 5500);
    half.clear();
    grain.process (half, 2);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[1], 0.0f);
    juce::AudioBuffer<float> pastHalf (2, 30);
    pastHalf.clear();
    grain.process (pastHalf, 2);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[1], reference.nextFloat() * G * 0.35f);
    EXPECT_EQ (ModuleProbe::grainOffsets (grain)[3], reference.nextFloat() * G * 1.6f);
}

TEST (GrainModule, MonoNoChannelsAndEmptyBlocks)
{
    const auto grain = afterNarrowBlock<GrainModule> (3000, 1);
    EXPECT_TRUE (allZero (ModuleProbe::buffers (grain)[1]));
    EXPECT_EQ (ModuleProbe::lowpasses (grain)[1].state, 0.0f);

    // n = 0: phases, random draws and write position advance; the buffer is left alone.
    auto idle = afterNarrowBlock<GrainModule> (6000, 0);
    EXPECT_EQ (ModuleProbe::writeIndex (idle), 6000);
    EXPECT_NE (ModuleProbe::grainOffsets (idle)[1], 0.0f);

    // A zero-length block changes nothing, not even the ramp.
    idle.setControls ({ 0.3f });
    const float before = ModuleProbe::amount (idle).getCurrentValue();
    juce::AudioBuffer<float> empty (2, 0);
    idle.process (empty, 2);
    EXPECT_EQ (ModuleProbe::amount (idle).getCurrentValue(), before);
    EXPECT_EQ (ModuleProbe::writeIndex (idle), 6000);
}
