#pragma once

#include "plugin/PluginProcessor.h"

#include <optional>

// What a host does to drive the processor, for the tools, the benchmarks and the tests: set a
// parameter, report a tempo, choose the buses and prepare.
namespace tarngloam::driver
{
// Sets a parameter in percent, as the host or the editor would (it reaches the audio path through
// the parameter's atomic value, at the next block).
void setPercent (TarnGloamAudioProcessor& processor, Parameter parameter, float percent);
void setAllPercent (TarnGloamAudioProcessor& processor, const ParameterValues& percents);
float percentOf (TarnGloamAudioProcessor& processor, Parameter parameter);

// Chooses `ins` -> `outs` main channels, then prepares for the rate and block size. Returns false,
// and prepares nothing, when the processor refuses that layout.
[[nodiscard]] bool prepare (TarnGloamAudioProcessor& processor, int ins, int outs, double sampleRate, int blockSize);

// A play head that reports a fixed tempo, or a position without one.
class FixedTempoPlayHead : public juce::AudioPlayHead
{
public:
    explicit FixedTempoPlayHead (std::optional<double> bpmToReport) : bpm (bpmToReport) {}

    juce::Optional<PositionInfo> getPosition() const override;

private:
    std::optional<double> bpm;
};
} // namespace tarngloam::driver
