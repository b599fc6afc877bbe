#include "plugin/Parameters.h"

namespace tarngloam
{
std::unique_ptr<juce::AudioParameterFloat> makePercentParameter (const juce::String& id,
                                                                 const juce::String& name,
                                                                 float defaultValue)
{
    const juce::NormalisableRange<float> range { minimumPercent, maximumPercent, percentStep, 1.0f, false };

    const auto attributes = juce::AudioParameterFloatAttributes()
                                .withLabel ("%")
                                .withStringFromValueFunction ([] (float value, int /*maximumLength*/)
                                                              { return juce::String (juce::roundToInt (value)); });

    return std::make_unique<juce::AudioParameterFloat> (juce::ParameterID { id, 1 }, name, range, defaultValue,
                                                        attributes);
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& info : parameterTable)
        layout.add (makePercentParameter (info.id, info.name, info.defaultPercent));
    return layout;
}
} // namespace tarngloam
