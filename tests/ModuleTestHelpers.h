#pragma once

#include "TestHelpers.h"

#include "dsp/AgeModule.h"
#include "dsp/BleedModule.h"
#include "dsp/FuzzModule.h"
#include "dsp/GrainModule.h"
#include "dsp/ReverbModule.h"

#include <cmath>
#include <type_traits>

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

// Prepares any of the five modules at the rate (with a block size of 512 where it takes one).
template <typename Module>
void prepareAt (Module& module, double rate)
{
    if constexpr (std::is_same_v<Module, FuzzModule>)
        module.prepare (rate);
    else
        module.prepare (rate, 512);
}

// Puts a module's control at `control` with no ramp left: the amount of the bleed, fuzz, grain and
// age modules, the wet level of the reverb (its AGE colour stays as it is).
template <typename Module>
void settleControl (Module& module, float control)
{
    if constexpr (std::is_same_v<Module, BleedModule> || std::is_same_v<Module, FuzzModule>)
        module.amount.setCurrentAndTargetValue (control);
    else if constexpr (std::is_same_v<Module, ReverbModule>)
        module.send.setCurrentAndTargetValue (control);
    else
    {
        module.setAmount (control);
        module.amount.setCurrentAndTargetValue (tarngloam::clamp01 (control));
    }
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
