#pragma once

#include "plugin/ParameterTable.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <functional>
#include <optional>

// Runs the TARNGLOAM processor over whole signals and files, without a host.
namespace tarngloam::offline
{
struct RenderSettings
{
    ParameterValues percents = defaultParameterValues(); // in parameterTable order
    std::optional<double> tempo;                          // none: the plug-in's 120 default
    int blockSize = 512;
    bool trimLatency = true;   // drop the 52-sample latency so the output lines up with the input
    bool appendTail = true;    // run on for the 0.6 s tail after the input ends
    bool monoToStereo = false; // a mono input renders to two channels
};

// Processes `input` (one or two channels) as a host would, in blocks of settings.blockSize.
// `progress`, when given, is called with the fraction done after each block. Returns nothing when
// the processor refuses the input's channel layout.
std::optional<juce::AudioBuffer<float>> render (const juce::AudioBuffer<float>& input, double sampleRate,
                                 const RenderSettings& settings,
                                 const std::function<void (double)>& progress = {});

struct AudioFile
{
    juce::AudioBuffer<float> samples;
    double sampleRate = 0.0;
};

// The sample rates a file may have: beyond them the plug-in's delay lines would be absurd sizes.
inline constexpr double lowestSampleRate = 1000.0;
inline constexpr double highestSampleRate = 768000.0;

// Reads a WAV or AIFF file of one or two channels; on failure returns nothing and sets `error`.
std::optional<AudioFile> readAudioFile (const juce::File& file, juce::String& error);

// The same from a stream (`name` appears in messages). A header that claims more samples than the
// stream holds is read as far as the data goes, so it cannot make the reader allocate for it.
std::optional<AudioFile> readAudio (std::unique_ptr<juce::InputStream> stream, const juce::String& name,
                                    juce::String& error);

// Writes a 32-bit float WAV (a format chunk with its extension size, a fact chunk with the frame
// count, as non-PCM formats have them) through a temporary file next to the target, renamed into place only
// once complete, so a failure never leaves a half-written file behind.
bool writeFloatWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                    juce::String& error);
} // namespace tarngloam::offline
