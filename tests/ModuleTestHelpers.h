#pragma once

#include "TestHelpers.h"

namespace testing_support
{
// Number of getNextValue calls until a ramp of a freshly reset smoother reaches 1.
template <typename Smoothed>
int rampSteps (Smoothed smoother)
{
    smoother.setTargetValue (1.0f);
    int steps = 0;
    while (smoother.getNextValue() < 1.0f && steps < 1000000)
        ++steps;
    return steps + 1;
}

// A stereo (or mono) buffer holding a test signal per channel.
inline juce::AudioBuffer<float> makeTestBuffer (int numChannels, int numSamples, int seed = 1)
{
    std::vector<std::vector<float>> channels;
    for (int ch = 0; ch < numChannels; ++ch)
        channels.push_back (makeSignal (numSamples, seed + ch * 17));
    return makeBuffer (channels);
}

inline juce::AudioBuffer<float> copyOf (const juce::AudioBuffer<float>& source)
{
    juce::AudioBuffer<float> copy;
    copy.makeCopyOf (source);
    return copy;
}
} // namespace testing_support
