#include "dsp/DspPrimitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tarngloam;

TEST (ReadHermite, HitsThePointsAndWrapsIndices)
{
    const std::vector<float> buffer = { 0.5f, -1.25f, 3.0f, 0.75f, -2.0f, 1.5f, 0.125f, -0.375f };
    const int length = static_cast<int> (buffer.size());

    const struct
    {
        int index;
        float fraction;
        float expected;
        float tolerance;
    } cases[] = {
        { 2, 0.0f, 3.0f, 0.0f },              // fraction 0 is the point itself, exactly
        { 2, 1.0f, 0.75f, 1.0e-6f },          // fraction 1 is the next point, up to rounding
        { -1, 0.0f, -0.375f, 0.0f },          // -1 wraps to the end
        { -2, 0.0f, 0.125f, 0.0f },           // -2 wraps to the end
        { length + 2, 0.0f, 3.0f, 0.0f },     // past the end wraps to the start
        { -1, 1.0f, 0.5f, 1.0e-6f },          // reading across the wrap
        { 0, 0.0f, 0.5f, 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (readHermite (buffer.data(), length, c.index, c.fraction), c.expected, c.tolerance)
            << "index " << c.index << " fraction " << c.fraction;

    // Midway on a straight line the cubic is exact.
    const std::vector<float> ramp = { 0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f };
    EXPECT_FLOAT_EQ (readHermite (ramp.data(), 8, 3, 0.5f), 3.5f);
}

TEST (ReadBehind, ReadsTheSignalDelaySamplesBack)
{
    std::vector<float> ramp (64);
    for (int i = 0; i < 64; ++i)
        ramp[static_cast<size_t> (i)] = static_cast<float> (i);
    const int writeIndex = 40; // the newest sample is 40

    EXPECT_FLOAT_EQ (readBehind (ramp.data(), 64, writeIndex, 0.0f), 38.0f);  // below 2: two back
    EXPECT_FLOAT_EQ (readBehind (ramp.data(), 64, writeIndex, 1.9f), 38.0f);
    EXPECT_FLOAT_EQ (readBehind (ramp.data(), 64, writeIndex, 2.0f), 38.0f);
    EXPECT_FLOAT_EQ (readBehind (ramp.data(), 64, writeIndex, 10.5f), 29.5f);
    EXPECT_FLOAT_EQ (readBehind (ramp.data(), 64, writeIndex, 30.0f), 10.0f);
    // Longer delays are held at length - 4 (here wrapping behind index 0).
    EXPECT_EQ (readBehind (ramp.data(), 64, writeIndex, 1000.0f), readBehind (ramp.data(), 64, writeIndex, 60.0f));
}

TEST (SoftClip, KneeAndSaturation)
{
    EXPECT_EQ (softClip (0.88f, 0.88f, 0.1f), 0.88f);
    EXPECT_EQ (softClip (-0.88f, 0.88f, 0.1f), -0.88f);
    EXPECT_EQ (softClip (0.3f, 0.88f, 0.1f), 0.3f);
    EXPECT_FLOAT_EQ (softClip (10.0f, 0.88f, 0.1f), 0.98f);
    EXPECT_FLOAT_EQ (softClip (-10.0f, 0.88f, 0.1f), -0.98f);
    // Slope 1 at the threshold: just above it the curve still follows x.
    EXPECT_NEAR (softClip (0.881f, 0.88f, 0.1f), 0.881f, 1.0e-6f);
}

TEST (SvfLowpass, DesignLimits)
{
    const struct
    {
        double rate;
        float cutoff, q, designedCutoff, designedQ;
    } cases[] = {
        { 44100.0, 5.0f, 0.707f, 10.0f, 0.707f },
        { 44100.0, 30000.0f, 0.707f, 20947.5f, 0.707f },
        { 44100.0, 1000.0f, 0.01f, 1000.0f, 0.05f },
        { 96000.0, 5000.0f, 0.707f, 5000.0f, 0.707f },
    };

    for (const auto& c : cases)
    {
        SvfLowpass filter;
        filter.prepare (c.rate);
        filter.setParameters (c.cutoff, c.q);
        const float fs = static_cast<float> (c.rate);
        EXPECT_EQ (filter.g, std::tan (c.designedCutoff * pi / fs)) << c.cutoff;
        EXPECT_EQ (filter.k, 1.0f / c.designedQ) << c.q;
        EXPECT_EQ (filter.a1, 1.0f / ((filter.k * filter.g + 1.0f) + filter.g * filter.g));
    }

    SvfLowpass filter;
    filter.setParameters (5000.0f, 0.707f);
    EXPECT_EQ (filter.k, 1.4144272f);
}

TEST (SvfLowpass, UnityGainAtDcOnceSettled)
{
    SvfLowpass filter;
    filter.prepare (48000.0);
    filter.setParameters (200.0f, 0.707f);
    float y = 0.0f;
    for (int i = 0; i < 20000; ++i)
        y = filter.processSample (0.7f);
    EXPECT_NEAR (y, 0.7f, 1.0e-5f);
}

TEST (DcBlocker, ConstantInputDecaysByRPerSample)
{
    DcBlocker blocker;
    blocker.prepare (44100.0);
    EXPECT_EQ (blocker.R, 1.0f - 75.398224f / 44100.0f);

    float previous = blocker.processSample (1.0f);
    EXPECT_EQ (previous, 1.0f);
    for (int i = 0; i < 100; ++i)
    {
        const float y = blocker.processSample (1.0f);
        EXPECT_EQ (y, blocker.R * previous);
        previous = y;
    }
}

TEST (OnePole, CoefficientAndStep)
{
    EXPECT_EQ (OnePole::coefficientFor (1000.0f, 44100.0f), 1.0f - std::exp (1000.0f * -6.2831855f / 44100.0f));
    // The corner is held below 0.45 of the rate.
    EXPECT_EQ (OnePole::coefficientFor (19000.0f, 32000.0f), OnePole::coefficientFor (14400.0f, 32000.0f));
    EXPECT_NEAR (OnePole::coefficientFor (8000.0f, 44100.0f), 0.680119f, 1.0e-6f);

    OnePole pole { 0.25f, 0.0f };
    EXPECT_EQ (pole.processSample (1.0f), 0.25f);
    EXPECT_EQ (pole.processSample (1.0f), 0.4375f);
}
