#include "plugin/Parameters.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace tarngloam
{
std::unique_ptr<juce::AudioParameterFloat> makePercentParameter (const juce::String& id,
                                                                 const juce::String& name,
                                                                 float defaultValue)
{
    const juce::NormalisableRange<float> range { 0.0f, 100.0f, 0.1f, 1.0f, false };

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
    layout.add (makePercentParameter ("BLEED", "Bleed", 50.0f));
    layout.add (makePercentParameter ("FUZZ", "Fuzz", 40.0f));
    layout.add (makePercentParameter ("GRAIN", "Grain", 20.0f));
    layout.add (makePercentParameter ("AGE", "Age", 30.0f));
    return layout;
}

namespace
{
    // A stored value is usable only when the whole attribute text is a finite decimal number.
    bool parseFiniteNumber (const juce::var& stored, double& result)
    {
        if (stored.isDouble() || stored.isInt() || stored.isInt64())
        {
            result = static_cast<double> (stored);
            return std::isfinite (result);
        }

        const auto text = stored.toString().trim();
        if (text.isEmpty())
            return false;

        // from_chars ignores the locale, so a host running in any language reads "50.5" alike.
        auto utf8 = text.toStdString();
        if (utf8.front() == '+')
            utf8.erase (0, 1);
        const auto* end = utf8.data() + utf8.size();
        const auto [stop, error] = std::from_chars (utf8.data(), end, result, std::chars_format::general);
        return error == std::errc() && stop == end && std::isfinite (result);
    }
} // namespace

void sanitiseStoredParameterValues (juce::ValueTree& state, juce::AudioProcessorValueTreeState& current)
{
    static const juce::Identifier idProperty ("id");
    static const juce::Identifier valueProperty ("value");

    for (int i = state.getNumChildren(); --i >= 0;)
    {
        auto child = state.getChild (i);
        if (! child.hasType ("PARAM"))
            continue;

        double value = 0.0;
        if (child.hasProperty (valueProperty) && parseFiniteNumber (child.getProperty (valueProperty), value))
            child.setProperty (valueProperty, juce::jlimit (0.0, 100.0, value), nullptr);
        else if (const auto* live = current.getRawParameterValue (child.getProperty (idProperty).toString()))
            child.setProperty (valueProperty, static_cast<double> (live->load()), nullptr);
        else
            state.removeChild (i, nullptr);
    }
}
} // namespace tarngloam
