#include "testbed/ProcessorDriver.h"

namespace tarngloam::driver
{
void setPercent (TarnGloamAudioProcessor& processor, Parameter parameter, float percent)
{
    auto& hostParameter = processor.parameterOf (parameter);
    hostParameter.setValueNotifyingHost (hostParameter.convertTo0to1 (percent));
}

void setAllPercent (TarnGloamAudioProcessor& processor, const ParameterValues& percents)
{
    for (const auto& info : parameterTable)
        setPercent (processor, info.parameter, percents[indexOf (info.parameter)]);
}

float percentOf (TarnGloamAudioProcessor& processor, Parameter parameter)
{
    return processor.rawValueOf (parameter).load();
}

bool prepare (TarnGloamAudioProcessor& processor, int ins, int outs, double sampleRate, int blockSize)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::canonicalChannelSet (ins));
    layout.outputBuses.add (juce::AudioChannelSet::canonicalChannelSet (outs));
    if (! processor.setBusesLayout (layout))
        return false;

    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);
    return true;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> FixedTempoPlayHead::getPosition() const
{
    PositionInfo info;
    if (bpm)
        info.setBpm (*bpm);
    return info;
}
} // namespace tarngloam::driver
