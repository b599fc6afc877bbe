#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <optional>

namespace tarngloam
{
// The part of the host's block that an effect module processes in place: channels
// 0 .. numChannels - 1 (never more than two, nor more than the buffer has) and all its samples.
struct ModuleBlock
{
    float* channels[2] {};
    int numChannels = 0;
    int numSamples = 0;
};

// The block a module's process() works on, or nothing when there is nothing to do: before the
// module's first prepare (its delay lines do not exist yet, so the block is left alone) and for a
// block without samples (which must not move any state).
inline std::optional<ModuleBlock> blockToProcess (bool isPrepared, juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (! isPrepared || buffer.getNumSamples() <= 0)
        return std::nullopt;

    ModuleBlock block;
    block.numSamples = buffer.getNumSamples();
    block.numChannels = std::clamp (numChannels, 0, std::min (2, buffer.getNumChannels()));
    for (int ch = 0; ch < block.numChannels; ++ch)
        block.channels[ch] = buffer.getWritePointer (ch);
    return block;
}
} // namespace tarngloam
