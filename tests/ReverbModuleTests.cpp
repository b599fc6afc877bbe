#include "ModuleTestHelpers.h"

#include "dsp/ReverbModule.h"

using namespace testing_support;

namespace
{
ReverbModule settledReverb (float send, float age = 0.0f, double rate = 44100.0)
{
    auto reverb = settledModule<ReverbModule> (send, rate);
    reverb.setAmount (age);
    return reverb;
}
} // namespace

TEST (ReverbModule, SizesAndGainsAt44100)
{
    ReverbModule reverb;
    reverb.prepare (44100.0, 512);
    for (int L = 0; L < 16; ++L)
    {
        EXPECT_EQ (reverb.lineLengths[L], ReverbModule::baseLengths[L]) << L;
        EXPECT_EQ (reverb.lineSizes[L], L <= 10 ? 1024 : 2048) << L;
        EXPECT_EQ (static_cast<int> (reverb.lines[L].size()), reverb.lineSizes[L]);
        EXPECT_EQ (reverb.loopAllpassLengths[L], ReverbModule::allpassLengths[L]);
        EXPECT_EQ (reverb.lfoPhases[L], static_cast<float> (L) * 0.41f);
    }
    EXPECT_NEAR (reverb.lineGains[0], 0.8027f, 1.0e-4f);
    EXPECT_NEAR (reverb.lineGains[15], 0.6648f, 1.0e-4f);
    EXPECT_EQ (reverb.preDelayLength, 441);
    EXPECT_EQ (reverb.preDelaySize, 512);
    EXPECT_EQ (rampSteps (reverb.send), 2205);

    const int diffuserLengths[2][4] = { { 210, 159, 385, 278 }, { 225, 174, 413, 252 } };
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ (reverb.diffuserLengths[ch][k], diffuserLengths[ch][k]) << ch << "/" << k;
}

TEST (ReverbModule, LineLengthsAt48000)
{
    ReverbModule reverb;
    reverb.prepare (48000.0, 512);
    const int expected[16] = { 719, 752, 783, 817, 857, 894, 928, 961, 1000, 1037, 1079, 1111, 1155, 1187, 1229, 1266 };
    for (int L = 0; L < 16; ++L)
    {
        EXPECT_EQ (reverb.lineLengths[L], expected[L]) << L;
        EXPECT_GE (reverb.lineSizes[L], expected[L] + 21 + 8);
    }
    EXPECT_EQ (reverb.preDelayLength, 480);
}

TEST (ReverbModule, AgeSetsDampingCornerAndBrightness)
{
    const struct
    {
        float age, corner, brightness;
    } cases[] = { { 0.0f, 4000.0f, 0.72f }, { 1.0f, 1400.0f, 0.45f }, { -2.0f, 4000.0f, 0.72f }, { 9.0f, 1400.0f, 0.45f } };

    for (const auto& c : cases)
    {
        auto reverb = settledReverb (0.0f, c.age);
        EXPECT_FLOAT_EQ (reverb.brightness, c.brightness) << c.age;
        EXPECT_NEAR (onePoleCornerHz (reverb.damping[7].coefficient, 44100.0f), c.corner, 2.0f) << c.age;
    }
}

TEST (ReverbModule, AtSendZeroOutputIsTheInputBitForBit)
{
    ReverbModule reverb;
    reverb.prepare (44100.0, 512);
    reverb.send.setTargetValue (0.6f);
    auto warmUp = makeTestBuffer (2, 4000);
    reverb.process (warmUp, 2);
    reverb.send.setTargetValue (0.0f);
    reverb.process (warmUp, 2);

    const auto input = makeTestBuffer (2, 5000, 3);
    auto output = copyOf (input);
    reverb.process (output, 2);
    EXPECT_TRUE (buffersIdentical (input, output));
    EXPECT_NE (reverb.lines[0][static_cast<size_t> ((reverb.lineWriteIndices[0] - 1) & reverb.lineMasks[0])], 0.0f)
        << "the network keeps running underneath";
}

TEST (ReverbModule, ImpulseReachesTheWetOutputAfterThePreDelayAndTheLinesLater)
{
    // The reference module has its lines emptied every sample, so its wet output is the
    // diffuser share alone; the real one must match it until the lines first speak.
    auto reverb = settledReverb (1.0f);
    auto diffuserOnly = settledReverb (1.0f);
    const int preDelay = reverb.preDelayLength;

    int firstWet = -1, firstLine = -1;
    for (int i = 0; i < 3000; ++i)
    {
        juce::AudioBuffer<float> a (1, 1), b (1, 1);
        a.setSample (0, 0, i == 0 ? 1.0f : 0.0f);
        b.setSample (0, 0, i == 0 ? 1.0f : 0.0f);
        reverb.process (a, 1);
        diffuserOnly.process (b, 1);
        for (auto& line : diffuserOnly.lines)
            std::fill (line.begin(), line.end(), 0.0f);

        if (i > 0 && firstWet < 0 && a.getSample (0, 0) != 0.0f)
            firstWet = i;
        if (firstLine < 0 && a.getSample (0, 0) != b.getSample (0, 0))
            firstLine = i;
    }

    EXPECT_EQ (firstWet, preDelay);
    EXPECT_GE (firstLine, preDelay + 639);
    EXPECT_LT (firstLine, preDelay + 700);
}

TEST (ReverbModule, FullSendScalesDryBy0_7408)
{
    auto reverb = settledReverb (0.8f);
    juce::AudioBuffer<float> buffer (2, 1);
    buffer.setSample (0, 0, 0.5f);
    buffer.setSample (1, 0, -0.25f);
    reverb.process (buffer, 2);
    // On the first sample the pre-delay still holds silence, so only the dry share sounds.
    EXPECT_FLOAT_EQ (buffer.getSample (0, 0), 0.5f * 0.7408f);
    EXPECT_FLOAT_EQ (buffer.getSample (1, 0), -0.25f * 0.7408f);
}

TEST (ReverbModule, MonoFeedsBothLineSetsFromTheLeft)
{
    auto reverb = settledReverb (0.8f);
    auto buffer = makeTestBuffer (2, 3000);
    const auto original = copyOf (buffer);
    reverb.process (buffer, 1);

    EXPECT_TRUE (bitIdentical (buffer.getReadPointer (1), original.getReadPointer (1), 3000));
    EXPECT_TRUE (bitIdentical (reverb.preDelays[1].data(), reverb.preDelays[0].data(), reverb.preDelaySize))
        << "the right pre-delay carries the left input";
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ (reverb.diffuserIndices[1][k], 0) << "the right diffusers stand still";
    EXPECT_EQ (reverb.dcBlockers[1].y1, 0.0f);
    EXPECT_NE (reverb.lines[1][static_cast<size_t> (reverb.lineWriteIndices[1] - 1)], 0.0f)
        << "odd lines are fed from the left diffuser";
}

TEST (ReverbModule, NoChannelsEmptyBlocksAndPartition)
{
    auto idle = settledReverb (0.8f);
    auto untouched = makeTestBuffer (2, 700);
    idle.process (untouched, 0);
    EXPECT_TRUE (buffersIdentical (untouched, makeTestBuffer (2, 700)));
    EXPECT_EQ (idle.lineWriteIndices[0], 700 % 1024);
    EXPECT_EQ (idle.preDelayWriteIndex, 700 % 512);

    juce::AudioBuffer<float> empty (2, 0);
    idle.send.setTargetValue (0.1f);
    idle.process (empty, 2);
    EXPECT_EQ (idle.send.getCurrentValue(), 0.8f);
    EXPECT_EQ (idle.lineWriteIndices[0], 700 % 1024);

    const auto input = makeTestBuffer (2, 12000, 21);
    auto whole = copyOf (input);
    auto reverbA = settledReverb (0.5f, 0.3f);
    reverbA.process (whole, 2);
    auto pieces = copyOf (input);
    auto reverbB = settledReverb (0.5f, 0.3f);
    processInBlocks (pieces, { 1, 7, 128, 4096, 0, 11 }, [&] (auto& block) { reverbB.process (block, 2); });
    EXPECT_TRUE (buffersIdentical (whole, pieces));
}
