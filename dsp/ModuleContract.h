#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <optional>

// Every effect module keeps one contract, in the manner of juce_dsp's processors:
//
//   struct Controls { ... };                         what the processor sets once per block
//   void prepare (const ProcessSpec&);               sizes the buffers (the only call that allocates),
//                                                    sets every control to 0 and resets
//   void reset();                                    clears the signal history and lets every control
//                                                    smoother land on its target; random sequences
//                                                    run on
//   void setControls (const Controls&);              this block's controls, each limited to 0 .. 1
//   void process (juce::AudioBuffer<float>&, int);   the block in place (see blockToProcess)
//
// State is private; so is isPrepared(), which blockToProcess asks. The tests reach the few internals that no output shows through the
// ModuleProbe friend they define.
namespace tarngloam
{
// What prepare needs to know. No module uses the block size; it is part of the contract so that
// one would not need a new signature.
struct ProcessSpec
{
    double sampleRate = 44100.0;
    int maximumBlockSize = 512;
};

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

// Puts a linear smoother on its target at once.
template <typename Smoothed>
void landOnTarget (Smoothed& smoother)
{
    smoother.setCurrentAndTargetValue (smoother.getTargetValue());
}
} // namespace tarngloam
