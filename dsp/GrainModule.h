#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleBlock.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

// Four tempo-locked grain voices read back from a circular record of the input: two replay an
// octave up, two at pitch from a longer, randomly displaced delay. GRAIN 0 % leaves the signal alone.
class GrainModule
{
public:
    void prepare (double newSampleRate, int maximumBlockSize);
    void setAmount (float value);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);
    bool isPrepared() const { return bufferSize > 0; }

    // Shortest allowed grain: 7 ms, and never below 64 samples.
    int minGrainLength() const;

    double sampleRate = 44100.0;
    int bufferSize = 0;
    int bufferMask = 0;
    int writeIndex = 0;
    int maxGrainLength = 4096;
    int grainLength = 2048;
    float beatLength = 22050.0f;
    float control = 0.0f;
    std::vector<float> buffers[2];
    tarngloam::OnePole lowpasses[2];
    tarngloam::DcBlocker dcBlockers[2];
    float grainPhases[4] {};
    float grainOffsets[4] {};
    juce::Random random { 4711 };
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    // Grain lengths in fractions of a beat, from half a beat down to a sixteenth.
    static constexpr float grainFractions[7] = { 0.5f, 0.375f, 0.25f, 0.1875f, 0.125f, 0.08333f, 0.0625f };

private:
    void processChannels (float* const* channels, int numChannels, int numSamples);
};
