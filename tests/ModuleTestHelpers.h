#pragma once

#include "TestHelpers.h"

#include "dsp/AgeModule.h"
#include "dsp/BleedModule.h"
#include "dsp/FuzzModule.h"
#include "dsp/GrainModule.h"
#include "dsp/ReverbModule.h"

#include <algorithm>
#include <cmath>

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

// Prepares a module at the rate (with a block size of 512).
template <typename Module>
void prepareAt (Module& module, double rate)
{
    module.prepare ({ rate, 512 });
}

// Puts a module's first control at `control` with no ramp left and its history cleared: the
// amount of the bleed, fuzz, grain and age modules, the wet level of the reverb (its other
// controls at their defaults).
template <typename Module>
void settleControl (Module& module, float control)
{
    module.setControls ({ control });
    module.reset();
}

// A module prepared at the rate with its control settled at `control`.
template <typename Module>
Module settledModule (float control, double rate = 44100.0)
{
    Module module;
    prepareAt (module, rate);
    settleControl (module, control);
    return module;
}

// A module at full control after one stereo block of `numSamples` of which it was asked to
// process `numChannels` channels (1 or 0).
template <typename Module>
Module afterNarrowBlock (int numSamples, int numChannels)
{
    auto module = settledModule<Module> (1.0f);
    auto buffer = makeTestBuffer (2, numSamples);
    module.process (buffer, numChannels);
    return module;
}

template <typename Samples>
bool allZero (const Samples& samples)
{
    return std::all_of (std::begin (samples), std::end (samples), [] (float sample) { return sample == 0.0f; });
}

// The corner frequency in hertz of a one-pole lowpass coefficient at the rate.
inline float onePoleCornerHz (float coefficient, float rate)
{
    return -std::log (1.0f - coefficient) * rate / 6.2831855f;
}

inline juce::AudioBuffer<float> copyOf (const juce::AudioBuffer<float>& source)
{
    juce::AudioBuffer<float> copy;
    copy.makeCopyOf (source);
    return copy;
}
} // namespace testing_support
