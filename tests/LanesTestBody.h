// The lane primitives against the scalar code they stand for, bit for bit. Included by two files:
// one compiles it with std::experimental::simd, the other with TARNGLOAM_PORTABLE_LANES (the
// plain arrays other compilers get), so both kinds are held to the same scalar results.
//
// LANES_SUITE names the test suite.

#include "dsp/DspPrimitives.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <cstring>
#include <limits>
#include <vector>

namespace
{
bool sameBits (float a, float b) { return std::memcmp (&a, &b, sizeof (float)) == 0; }

std::vector<float> noise (int length, int seed)
{
    juce::Random random (seed);
    std::vector<float> values (static_cast<size_t> (length));
    for (auto& v : values)
        v = (random.nextFloat() - 0.5f) * 2.0f;
    return values;
}

// Four power-of-two buffers of different lengths, as the delay lines are.
struct FourBuffers
{
    std::vector<float> storage[4] { noise (64, 1), noise (128, 2), noise (64, 3), noise (256, 4) };
    const float* data[4] { storage[0].data(), storage[1].data(), storage[2].data(), storage[3].data() };
    int masks[4] { 63, 127, 63, 255 };
};
} // namespace

TEST (LANES_SUITE, ReadsMatchTheScalarReadsIncludingWrapsAndShortDelays)
{
    using namespace tarngloam;
    const FourBuffers buffers;
    juce::Random random (5);

    for (int trial = 0; trial < 2000; ++trial)
    {
        // Positions around and across the buffer ends, delays below 2 and beyond the length.
        float positions[4], delays[4];
        for (int i = 0; i < 4; ++i)
        {
            positions[i] = (random.nextFloat() - 0.25f) * 600.0f;
            delays[i] = trial % 7 == 0 ? random.nextFloat() * 2.0f : random.nextFloat() * 300.0f;
        }
        const int writeIndex = random.nextInt (256);

        const auto read = readHermiteLanes (buffers.data, buffers.masks, Lanes::load (positions));
        const auto behind = readBehindLanes (buffers.data, buffers.masks, writeIndex, Lanes::load (delays));
        for (int i = 0; i < 4; ++i)
        {
            const int length = buffers.masks[i] + 1;
            const float whole = std::floor (positions[i]);
            ASSERT_TRUE (sameBits (read[i], readHermite (buffers.data[i], length, static_cast<int> (whole),
                                                         positions[i] - whole)))
                << positions[i];
            ASSERT_TRUE (sameBits (behind[i], readBehind (buffers.data[i], length, writeIndex, delays[i])))
                << delays[i];
        }
    }
}

TEST (LANES_SUITE, FiltersSideBySideMatchEachFilterAlone)
{
    using namespace tarngloam;
    SvfLowpass svfs[2], svfReference[2];
    DcBlocker blockers[2], blockerReference[2];
    OnePole poles[2], poleReference[2];
    for (int ch = 0; ch < 2; ++ch)
    {
        svfs[ch].prepare (48000.0);
        svfs[ch].setParameters (ch == 0 ? 3000.0f : 9000.0f, 0.707f);
        blockers[ch].prepare (48000.0);
        poles[ch].coefficient = ch == 0 ? 0.3f : 0.05f;
        svfReference[ch] = svfs[ch];
        blockerReference[ch] = blockers[ch];
        poleReference[ch] = poles[ch];
    }

    SvfLowpass* svfPointers[2] = { &svfs[0], &svfs[1] };
    DcBlocker* blockerPointers[2] = { &blockers[0], &blockers[1] };
    OnePole* polePointers[2] = { &poles[0], &poles[1] };
    FilterLanes<SvfLowpass> svfLanes (svfPointers, 2);
    FilterLanes<DcBlocker> blockerLanes (blockerPointers, 2);
    FilterLanes<OnePole> poleLanes (polePointers, 2);

    const auto left = noise (3000, 6), right = noise (3000, 7);
    for (size_t i = 0; i < left.size(); ++i)
    {
        const auto x = Lanes::generate ([&] (int ch) { return ch == 0 ? left[i] : (ch == 1 ? right[i] : 0.0f); });
        const auto y = poleLanes.processSample (blockerLanes.processSample (svfLanes.processSample (x)));
        for (int ch = 0; ch < 2; ++ch)
        {
            const float input = ch == 0 ? left[i] : right[i];
            const float expected = poleReference[ch].processSample (
                blockerReference[ch].processSample (svfReference[ch].processSample (input)));
            ASSERT_TRUE (sameBits (y[ch], expected)) << i;
        }
    }

    svfLanes.writeBack (svfPointers, 2);
    blockerLanes.writeBack (blockerPointers, 2);
    poleLanes.writeBack (polePointers, 2);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_TRUE (sameBits (svfs[ch].s1, svfReference[ch].s1) && sameBits (svfs[ch].s2, svfReference[ch].s2));
        EXPECT_TRUE (sameBits (blockers[ch].y1, blockerReference[ch].y1));
        EXPECT_TRUE (sameBits (poles[ch].state, poleReference[ch].state));
    }
}

TEST (LANES_SUITE, FeedForwardSumsKeepTheirTapOrder)
{
    using namespace tarngloam;
    const auto taps = noise (48, 8);
    const auto signal = noise (47 + 61, 9);
    const auto start = noise (61, 10);

    // 61 outputs: three groups of twelve, then groups of four, then single samples.
    std::vector<float> output (61);
    firSums (taps.data(), 48, signal.data() + 47, start.data(), output.data(), 61);
    for (int i = 0; i < 61; ++i)
    {
        float expected = start[static_cast<size_t> (i)];
        for (int j = 0; j < 48; ++j)
            expected += taps[static_cast<size_t> (j)] * signal[static_cast<size_t> (47 + i - j)];
        ASSERT_TRUE (sameBits (output[static_cast<size_t> (i)], expected)) << i;
    }
}

TEST (LANES_SUITE, MaximumAndSelectionFollowTheScalarRules)
{
    using namespace tarngloam;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[][2] = { { 8.0f, 9.0f }, { 8.0f, 7.0f }, { 0.0f, -0.0f }, { -0.0f, 0.0f }, { 8.0f, nan }, { nan, 8.0f } };
    for (const auto& v : values)
    {
        const auto result = maxLanes (v[0], v[1]);
        const float expected = std::max (v[0], v[1]);
        EXPECT_TRUE (sameBits (result[0], expected) || (std::isnan (result[0]) && std::isnan (expected)))
            << v[0] << " " << v[1];
    }
}
