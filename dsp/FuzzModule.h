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
//
// A block is shaped in three passes: the upsampling sums for all its samples, then the clipper
// sample by sample (its tone filter is recursive), then the downsampling sums. The two filters
// are feed-forward, so their sums run four output samples at a time, each in the written tap order.
struct OversampledShaper
{
    static constexpr int numTaps = 48;
    static const float halfbandTaps[numTaps];

    // Samples shaped per pass; longer blocks run in several.
    static constexpr int maxChunk = 64;

    tarngloam::OnePole tone[2];
    // Per channel, oldest first: the last 47 inputs, the last 48 odd-phase and the last 24
    // even-phase shaped samples, each followed by room for one chunk.
    float upHistory[2][numTaps - 1 + maxChunk] {};
    float downHistory[2][numTaps + maxChunk] {};
    float evenHistory[2][numTaps / 2 + maxChunk] {};

    // Shapes up to maxChunk samples of channels firstChannel .. firstChannel + numChannels - 1 in
    // place (signals[n] holds channel firstChannel + n), the bias given per sample.
    void processChunk (int firstChannel, int numChannels, float* const* signals, int count, const FuzzCurve& curve,
                       const float* biases);
    // One sample of one channel (clamped to 0..1).
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
    static constexpr int chunkSize = OversampledShaper::maxChunk;

    void processChannels (float* const* channels, int numChannels, int numSamples);
    void updateBlockControls (float ctl);
    void followEnvelope (float peak);
    void computeBiases (float* const* channels, int numChannels, int start, int count, float* biases);
    void filterInput (float* const* channels, int numChannels, int start, int count, float (*filtered)[chunkSize]);
    void finish (float* const* channels, int numChannels, int start, int count, const float (*wet)[chunkSize],
                 float step);

    // The curve and tone design depend on the control alone, so they are kept while it is unchanged.
    FuzzCurve curve;
    float designedControl = 0.0f;
    bool designValid = false;
};
