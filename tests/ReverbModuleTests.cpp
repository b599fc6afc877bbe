#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

#include "dsp/ReverbModule.h"

using namespace testing_support;

namespace
{
ReverbModule settledReverb (float send, float age = 0.0f, double rate = 44100.0)
{
    ReverbModule reverb;
    reverb.prepare ({ rate, 512 });
    reverb.setControls ({ send, age });
    reverb.reset();
    return reverb;
}
} // namespace

TEST (ReverbModule, SizesAndGainsAt44100)
{
    ReverbModule reverb;
    reverb.prepare ({ 44100.0, 512 });
    for (int L = 0; L < 16; ++L)
    {
        EXPECT_EQ (ModuleProbe::lineLengths (reverb)[L], ModuleProbe::reverbBaseLengths[L]) << L;
        EXPECT_EQ (ModuleProbe::lineSizes (reverb)[L], L <= 10 ? 1024 : 2048) << L;
        EXPECT_EQ (static_cast<int> (ModuleProbe::lines (reverb)[L].size()), ModuleProbe::lineSizes (reverb)[L]);
        EXPECT_EQ (ModuleProbe::loopAllpassLengths (reverb)[L], ModuleProbe::reverbAllpassLengths[L]);
        EXPECT_EQ (ModuleProbe::lfoPhases (reverb)[L], static_cast<float> (L) * 0.41f);
    }
    EXPECT_NEAR (ModuleProbe::lineGains (reverb)[0], 0.8027f, 1.0e-4f);
    EXPECT_NEAR (ModuleProbe::lineGains (reverb)[15], 0.6648f, 1.0e-4f);
    EXPECT_EQ (ModuleProbe::preDelayLength (reverb), 441);
    EXPECT_EQ (ModuleProbe::preDelaySize (reverb), 512);
    EXPECT_EQ (rampSteps (ModuleProbe::send (reverb)), 2205);

    const int diffuserLengths[2][4] = { { 210, 159, 385, 278 }, { 225, 174, 413, 252 } };
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ (ModuleProbe::diffuserLengths (reverb)[ch][k], diffuserLengths[ch][k]) << ch << "/" << k;
}

TEST (ReverbModule, LineLengthsAt48000)
{
    ReverbModule reverb;
    reverb.prepare ({ 48000.0, 512 });
    const int expected[16] = { 719, 752, 783, 817, 857, 894, 928, 961, 1000, 1037, 1079, 1111, 1155, 1187, 1229, 1266 };
    for (int L = 0; L < 16; ++L)
    {
        EXPECT_EQ (ModuleProbe::lineLengths (reverb)[L], expected[L]) << L;
        EXPECT_GE (ModuleProbe::lineSizes (reverb)[L], expected[L] + 21 + 8);
    }
    EXPECT_EQ (ModuleProbe::preDelayLength (reverb), 480);
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
        EXPECT_FLOAT_EQ (ModuleProbe::brightness (reverb), c.brightness) << c.age;
        EXPECT_NEAR (onePoleCornerHz (ModuleProbe::damping (reverb)[7].coefficient, 44100.0f), c.corner, 2.0f) << c.age;
    }
}

TEST (ReverbModule, ImpulseReachesTheWetOutputAfterThePreDelayAndTheLinesLater)
{
    // The reference module has its lines emptied every sample, so its wet output is the
    // diffuser share alone; the real one must match it until the lines first speak.
    auto reverb = settledReverb (1.0f);
    auto diffuserOnly = settledReverb (1.0f);
    const int preDelay = ModuleProbe::preDelayLength (reverb);

    int firstWet = -1, firstLine = -1;
    for (int i = 0; i < 3000; ++i)
    {
        juce::AudioBuffer<float> a (1, 1), b (1, 1);
        a.setSample (0, 0, i == 0 ? 1.0f : 0.0f);
        b.setSample (0, 0, i == 0 ? 1.0f : 0.0f);
        reverb.process (a, 1);
        diffuserOnly.process (b, 1);
        for (auto& line : ModuleProbe::lines (diffuserOnly))
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
    EXPECT_TRUE (bitIdentical (ModuleProbe::preDelays (reverb)[1].data(), ModuleProbe::preDelays (reverb)[0].data(), ModuleProbe::preDelaySize (reverb)))
        << "the right pre-delay carries the left input";
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ (ModuleProbe::diffuserIndices (reverb)[1][k], 0) << "the right diffusers stand still";
    EXPECT_EQ (ModuleProbe::dcBlockers (reverb)[1].y1, 0.0f);
    EXPECT_NE (ModuleProbe::lines (reverb)[1][static_cast<size_t> (ModuleProbe::lineWriteIndices (reverb)[1] - 1)], 0.0f)
        << "odd lines are fed from the left diffuser";
}

TEST (ReverbModule, NoChannelsAndEmptyBlocks)
{
    auto idle = settledReverb (0.8f);
    auto untouched = makeTestBuffer (2, 700);
    idle.process (untouched, 0);
    EXPECT_TRUE (buffersIdentical (untouched, makeTestBuffer (2, 700)));
    EXPECT_EQ (ModuleProbe::lineWriteIndices (idle)[0], 700 % 1024);
    EXPECT_EQ (ModuleProbe::preDelayWriteIndex (idle), 700 % 512);

    juce::AudioBuffer<float> empty (2, 0);
    idle.setControls ({ 0.1f });
    idle.process (empty, 2);
    EXPECT_EQ (ModuleProbe::send (idle).getCurrentValue(), 0.8f);
    EXPECT_EQ (ModuleProbe::lineWriteIndices (idle)[0], 700 % 1024);
}
