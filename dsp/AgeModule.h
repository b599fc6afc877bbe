#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleBlock.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

// A worn playback medium: wow, flutter and random drift on a short delay, a level dip, an
// asymmetric soft clipper with make-up gain, and a lowpass that falls from 19 kHz to 8 kHz.
// At AGE 0 % the signal passes through with a fixed delay of four samples.
class AgeModule
{
public:
    static constexpr int latencySamples = 4;

    void prepare (double newSampleRate, int maximumBlockSize);
    void setAmount (float value);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);
    bool isPrepared() const { return bufferSize > 0; }

    double sampleRate = 44100.0;
    int bufferSize = 0;
    int bufferMask = 0;
    int writeIndex = 0;
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
    juce::Random random { 8675309 };
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    static constexpr float lfoRates[2][3] = { { 0.19f, 4.9f, 7.3f }, { 0.23f, 5.7f, 8.1f } };

private:
    static float computeMakeupGain (float drive, float clipThreshold);
    void processChannels (float* const* channels, int numChannels, int numSamples);
    // Writes the input and moves the channel's LFOs and drift; returns the fractional read position
    // and the wow LFO's sine. phaseStep is the LFO phase step per hertz, 2 pi / sample rate.
    float moveReadHead (int ch, float input, const float* depths, float phaseStep, float& wowSine);
    // The level dip, drive, clipper and lowpass on the sample read back.
    float wear (int ch, float r, float v, float wowSine);

    // setAmount runs every block; its filter design and make-up gain are kept while the value holds.
    float designedAmount = 0.0f;
    bool designValid = false;
};
