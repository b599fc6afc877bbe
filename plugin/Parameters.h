#pragma once

#include "plugin/ParameterTable.h"

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

// The parameters of parameterTable, in its order (their index order towards the host).
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();
} // namespace tarngloam
