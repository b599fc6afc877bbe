#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleBlock.h"

#include <juce_audio_basics/juce_audio_basics.h>

// Per-block shaping parameters of the two-stage clipper.
struct FuzzCurve
{
    float bias = 0.0f;
    float preGain = 1.0f;
    float threshold1 = 1.0f;
    float interGain = 1.0f;
    float threshold2 = 1.0f;
    float negativeScale = 1.0f;
    float outputGain = 1.0f;
};

FuzzCurve makeFuzzCurve (float ctl);

// The clipper run at twice the sample rate, with a 48-tap half-band filter up and down.
// Both the even and the odd branch arrive 48 base-rate samples late.
struct OversampledShaper
{
    static constexpr int numTaps = 48;
    static const float halfbandTaps[numTaps];

    tarngloam::OnePole tone[2];
    float upHistory[2][48] {};
    float downHistory[2][49] {};
    float evenHistory[2][25] {};
    int upIndex[2] {};
    int downIndex[2] {};
    int evenIndex[2] {};

    float processSample (int channel, float x, const FuzzCurve& curve, float bias);
    void reset();

private:
    float shapeSample (int ch, float x, const FuzzCurve& curve, float bias);
};

// Asymmetric, envelope-biased, 2x oversampled fuzz, crossfaded with a latency-matched dry path.
// Allocates nothing: every buffer is a fixed array.
class FuzzModule
{
public:
    static constexpr int latencySamples = 48;

    void prepare (double newSampleRate);
    void reset();
    void process (juce::AudioBuffer<float>& buffer, int numChannels);
    bool isPrepared() const { return prepared; }

    double sampleRate = 44100.0;
    bool prepared = false;
    OversampledShaper shaper;
    tarngloam::DcBlocker dcBlockers[2];
    tarngloam::SvfLowpass toneFilters[2][2];
    int holdSamples = 1024;
    int holdCounter = 0;
    float releaseFactor = 0.999f;
    float envelope = 0.0f;
    float dryDelay[2][49] {};
    int dryDelayIndex = 0;
    float previousMix = 0.0f;
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

private:
    void processChannels (float* const* channels, int numChannels, int numSamples);
    void updateBlockControls (float ctl);
    void followEnvelope (float peak);

    // The curve and tone design depend on the control alone, so they are kept while it is unchanged.
    FuzzCurve curve;
    float designedControl = 0.0f;
    bool designValid = false;
};
