#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleContract.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

// A worn playback medium: wow, flutter and random drift on a short delay, a level dip, an
// asymmetric soft clipper with make-up gain, and a lowpass that falls from 19 kHz to 8 kHz.
// At AGE 0 % the signal passes through with a fixed delay of four samples.
class AgeModule
{
public:
    // The read position's fixed distance behind the write position at rest.
    static constexpr int latencySamples = 4;

    struct Controls { float amount = 0.0f; };

    void prepare (const tarngloam::ProcessSpec& setup);
    void reset();
    void setControls (const Controls& controls);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);

private:
    static constexpr float lfoRates[2][3] = { { 0.19f, 4.9f, 7.3f }, { 0.23f, 5.7f, 8.1f } };

    void setAmount (float value);
    static float computeMakeupGain (float drive, float clipThreshold);
    void processChannels (float* const* channels, int numChannels, int numSamples);
    // Writes the input and moves the channel's LFOs and drift; returns the fractional read position
    // and the wow LFO's sine. phaseStep is the LFO phase step per hertz, 2 pi / sample rate.
    float moveReadHead (int ch, float input, const float* depths, float phaseStep, float& wowSine);
    // The level dip, drive, clipper and lowpass on the sample read back.
    float wear (int ch, float r, float v, float wowSine);

    double sampleRate = 44100.0;
    int bufferSize = 0, bufferMask = 0, writeIndex = 0; // the power-of-two delay line
    float drive = 1.0f;
    float clipThreshold = 1.0f;
    float makeupGain = 1.0f;
    tarngloam::OnePole lowpasses[2];
    std::vector<float> buffers[2];
    float lfoPhases[2][3] {};
    int driftCounters[2] {};
    float driftTargets[2] {};
    float driftValues[2] {};
    int driftPeriod = 1024;
    float driftSmoothing = 0.001f;
    // Seeded at construction and never again, so that the sequence runs on across prepares.
    static constexpr juce::int64 randomSeed = 8675309;
    juce::Random random { randomSeed };
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    // setAmount runs every block; its filter design and make-up gain are kept while the value holds.
    float designedAmount = 0.0f;
    bool designValid = false;

    bool isPrepared() const { return bufferSize > 0; }

    // The tests' window on the state that no output shows.
    friend struct ModuleProbe;
};
