#pragma once

#include <optional>
#include <string>
#include <vector>

// 32-bit float WAV files for the hosts that are not JUCE: they hand audio to tarngloam-render and
// read its output back, with no code of the plug-in's framework in between.
namespace hosts
{
struct Audio
{
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels; // all of one length

    int numChannels() const { return static_cast<int> (channels.size()); }
    int numSamples() const { return channels.empty() ? 0 : static_cast<int> (channels.front().size()); }
};

// Writes WAVE_FORMAT_IEEE_FLOAT, interleaved.
bool writeFloatWav (const std::string& path, const Audio& audio);

// Reads a 32-bit float WAV (plain or extensible format), skipping chunks it does not need.
std::optional<Audio> readFloatWav (const std::string& path);

// True when both hold the same bits.
bool sameBits (const Audio& a, const Audio& b);
} // namespace hosts
