#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace tarngloam
{
// The state type of the parameter tree and the root tag of a saved state.
inline constexpr const char* stateType = "PARAMS";

// One 0..100 % parameter, stepped in 0.1, shown as a whole number with the unit "%".
std::unique_ptr<juce::AudioParameterFloat> makePercentParameter (const juce::String& id,
                                                                 const juce::String& name,
                                                                 float defaultValue);

// BLEED, FUZZ, GRAIN and AGE, in that order (their index order towards the host).
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

// Makes a restored tree safe for the audio path: a PARAM value that is missing or not a finite
// number is replaced by that parameter's current value (a PARAM of no known parameter is dropped),
// and every other value is limited to 0..100.
void sanitiseStoredParameterValues (juce::ValueTree& state, juce::AudioProcessorValueTreeState& current);
} // namespace tarngloam
