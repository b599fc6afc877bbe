#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleContract.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

// Four tempo-locked grain voices read back from a circular record of the input: two replay an
// octave up, two at pitch from a longer, randomly displaced delay. GRAIN 0 % leaves the signal alone.
class GrainModule
{
public:
    struct Controls
    {
        float amount = 0.0f;
        // The host's beat in samples at this module's rate (120 bpm at 44.1 kHz unless told);
        // held between 0.05 and 4 seconds.
        float samplesPerBeat = 22050.0f;
    };

    void prepare (const tarngloam::ProcessSpec& setup);
    void reset();
    void setControls (const Controls& controls);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);

private:
    // Grain lengths in fractions of a beat, from half a beat down to a sixteenth.
    static constexpr float grainFractions[7] = { 0.5f, 0.375f, 0.25f, 0.1875f, 0.125f, 0.08333f, 0.0625f };

    // Shortest allowed grain: 7 ms, and never below 64 samples.
    int minGrainLength() const;
    void setBeatLength (float samplesPerBeat);
    void setAmount (float value);
    void processChannels (float* const* channels, int numChannels, int numSamples);

    double sampleRate = 44100.0;
    int bufferSize = 0, bufferMask = 0, writeIndex = 0; // the power-of-two record of the input
    int maxGrainLength = 4096, grainLength = 2048;
    float beatLength = 22050.0f;
    float control = 0.0f;
    std::vector<float> buffers[2];
    tarngloam::OnePole lowpasses[2];
    tarngloam::DcBlocker dcBlockers[2];
    float grainPhases[4] {};
    float grainOffsets[4] {};
    // Seeded at construction and never again, so that the sequence runs on across prepares.
    static constexpr juce::int64 randomSeed = 4711;
    juce::Random random { randomSeed };
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    bool isPrepared() const { return bufferSize > 0; }

    // The tests' window on the state that no output shows.
    friend struct ModuleProbe;
};
