#pragma once

#include "plugin/PluginProcessor.h"
#include "testbed/ProcessorDriver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

namespace testing_support
{
// A deterministic, never-zero test signal in roughly -0.9..0.9: two sines and a little noise.
inline std::vector<float> makeSignal (int numSamples, int seed = 1, float level = 0.6f)
{
    juce::Random random (seed);
    std::vector<float> signal (static_cast<size_t> (numSamples));
    for (int i = 0; i < numSamples; ++i)
    {
        const double t = i / 44100.0;
        const double value = std::sin (2.0 * juce::MathConstants<double>::pi * 220.0 * t) * 0.7
                             + std::sin (2.0 * juce::MathConstants<double>::pi * 1375.0 * t) * 0.2
                             + (random.nextFloat() - 0.5f) * 0.1;
        const float sample = static_cast<float> (value) * level;
        signal[static_cast<size_t> (i)] = sample == 0.0f ? 1.0e-3f : sample;
    }
    return signal;
}

// Fills a buffer of the given channel count from per-channel signals.
inline juce::AudioBuffer<float> makeBuffer (const std::vector<std::vector<float>>& channels)
{
    const int numSamples = static_cast<int> (channels.front().size());
    juce::AudioBuffer<float> buffer (static_cast<int> (channels.size()), numSamples);
    for (size_t ch = 0; ch < channels.size(); ++ch)
        buffer.copyFrom (static_cast<int> (ch), 0, channels[ch].data(), numSamples);
    return buffer;
}

// Runs `process` over `buffer` cut into consecutive blocks of the given lengths (the last length
// repeats until the buffer is used up). Each block is a fresh buffer, as a host would hand it over.
template <typename ProcessBlock>
void processInBlocks (juce::AudioBuffer<float>& buffer, std::initializer_list<int> blockLengths, ProcessBlock&& process)
{
    const std::vector<int> lengths (blockLengths);
    int position = 0;
    size_t which = 0;
    while (position < buffer.getNumSamples())
    {
        const int length = std::min (lengths[std::min (which, lengths.size() - 1)], buffer.getNumSamples() - position);
        ++which;
        juce::AudioBuffer<float> block (buffer.getNumChannels(), length);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            block.copyFrom (ch, 0, buffer, ch, position, length);
        process (block);
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            buffer.copyFrom (ch, position, block, ch, 0, length);
        position += length;
    }
}

inline bool bitIdentical (const float* a, const float* b, int numSamples)
{
    return std::memcmp (a, b, sizeof (float) * static_cast<size_t> (numSamples)) == 0;
}

inline bool buffersIdentical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        if (! bitIdentical (a.getReadPointer (ch), b.getReadPointer (ch), a.getNumSamples()))
            return false;
    return true;
}

using tarngloam::Parameter;
using tarngloam::driver::FixedTempoPlayHead;
using tarngloam::driver::percentOf;
using tarngloam::driver::setPercent;

inline void setAllPercent (TarnGloamAudioProcessor& processor, float bleed, float fuzz, float grain, float age)
{
    tarngloam::driver::setAllPercent (processor, { bleed, fuzz, grain, age });
}

// Chooses the main buses and prepares: the processor is ready for blocks.
inline void prepareWithLayout (TarnGloamAudioProcessor& processor, int ins, int outs, double sampleRate = 44100.0,
                               int blockSize = 512)
{
    EXPECT_TRUE (tarngloam::driver::prepare (processor, ins, outs, sampleRate, blockSize))
        << ins << " -> " << outs << " channels refused";
}
} // namespace testing_support
