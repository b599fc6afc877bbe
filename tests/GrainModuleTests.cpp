#include "ModuleTestHelpers.h"

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
        grain.prepare (c.rate, 512);
        EXPECT_EQ (grain.maxGrainLength, c.maxGrain);
        EXPECT_EQ (grain.bufferSize, c.bufferSize);
        EXPECT_EQ (static_cast<int> (grain.buffers[1].size()), c.bufferSize);
        EXPECT_EQ (grain.minGrainLength(), c.minGrain);
        EXPECT_EQ (rampSteps (grain.amount), c.rampSteps);
        EXPECT_NEAR (grain.lowpasses[0].coefficient, c.lowpass, 1.0e-6f);
        EXPECT_EQ (grain.beatLength, 0.5f * static_cast<float> (c.rate));
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
        grain.prepare (44100.0, 512);
        grain.beatLength = c.beatLength;
        grain.setAmount (c.control);
        EXPECT_EQ (grain.grainLength, c.grainLength) << c.beatLength << " / " << c.control;
    }
}

TEST (GrainModule, AtZeroAfterTheRampOutputIsTheInputBitForBit)
{
    GrainModule grain;
    grain.prepare (44100.0, 512);
    grain.setAmount (0.6f);
    auto warmUp = makeTestBuffer (2, 4096);
    grain.process (warmUp, 2);
    grain.setAmount (0.0f);
    grain.process (warmUp, 2);

    const auto input = makeTestBuffer (2, 20000, 8);
    auto output = copyOf (input);
    grain.process (output, 2);
    EXPECT_TRUE (buffersIdentical (input, output));
    EXPECT_NE (grain.grainOffsets[2], 0.0f) << "the voices keep running underneath";
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

TEST (GrainModule, OutputDoesNotDependOnBlockPartition)
{
    const auto input = makeTestBuffer (2, 30000, 2);
    auto whole = copyOf (input);
    auto grainA = settledModule<GrainModule> (0.45f);
    grainA.process (whole, 2);

    auto pieces = copyOf (input);
    auto grainB = settledModule<GrainModule> (0.45f);
    processInBlocks (pieces, { 1, 7, 128, 4096, 0, 33, 999 }, [&] (auto& block) {
        grainB.setAmount (0.45f);
        grainB.process (block, 2);
    });
    EXPECT_TRUE (buffersIdentical (whole, pieces));
}

TEST (GrainModule, OffsetsAreDrawnOnlyWhenAVoiceWraps)
{
    auto grain = settledModule<GrainModule> (0.0f); // G = 11025
    juce::AudioBuffer<float> buffer (2, 1);
    buffer.clear();
    grain.process (buffer, 2);

    juce::Random reference (4711);
    const float G = 11025.0f;
    EXPECT_EQ (grain.grainOffsets[0], reference.nextFloat() * G * 0.35f);
    EXPECT_EQ (grain.grainOffsets[1], 0.0f);
    EXPECT_EQ (grain.grainOffsets[2], reference.nextFloat() * G * 1.6f);
    EXPECT_EQ (grain.grainOffsets[3], 0.0f);

    // Voices 1 and 3 wrap half a grain after prepare.
    juce::AudioBuffer<float> half (2, 5500);
    half.clear();
    grain.process (half, 2);
    EXPECT_EQ (grain.grainOffsets[1], 0.0f);
    juce::AudioBuffer<float> pastHalf (2, 30);
    pastHalf.clear();
    grain.process (pastHalf, 2);
    EXPECT_EQ (grain.grainOffsets[1], reference.nextFloat() * G * 0.35f);
    EXPECT_EQ (grain.grainOffsets[3], reference.nextFloat() * G * 1.6f);
}

TEST (GrainModule, MonoNoChannelsAndEmptyBlocks)
{
    auto grain = settledModule<GrainModule> (1.0f);
    auto buffer = makeTestBuffer (2, 3000);
    const auto original = copyOf (buffer);
    grain.process (buffer, 1);
    EXPECT_TRUE (bitIdentical (buffer.getReadPointer (1), original.getReadPointer (1), 3000));
    for (float sample : grain.buffers[1])
        ASSERT_EQ (sample, 0.0f);
    EXPECT_EQ (grain.lowpasses[1].state, 0.0f);

    // n = 0: phases, random draws and write position advance; the buffer is left alone.
    auto idle = settledModule<GrainModule> (1.0f);
    auto untouched = makeTestBuffer (2, 6000);
    idle.process (untouched, 0);
    EXPECT_TRUE (buffersIdentical (untouched, makeTestBuffer (2, 6000)));
    EXPECT_EQ (idle.writeIndex, 6000);
    EXPECT_NE (idle.grainOffsets[1], 0.0f);

    // A zero-length block changes nothing, not even the ramp.
    idle.setAmount (0.3f);
    const float before = idle.amount.getCurrentValue();
    juce::AudioBuffer<float> empty (2, 0);
    idle.process (empty, 2);
    EXPECT_EQ (idle.amount.getCurrentValue(), before);
    EXPECT_EQ (idle.writeIndex, 6000);
}
