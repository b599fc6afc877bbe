#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/FuzzCurve.h"
#include "dsp/ModuleContract.h"
#include "dsp/OversampledShaper.h"

#include <juce_audio_basics/juce_audio_basics.h>

// Asymmetric, envelope-biased, 2x oversampled fuzz, crossfaded with a latency-matched dry path.
// Allocates nothing: every buffer is a fixed array.
class FuzzModule
{
public:
    struct Controls { float amount = 0.0f; };

    static constexpr int latencySamples = OversampledShaper::latencySamples;

    void prepare (const tarngloam::ProcessSpec& setup);
    void reset();
    void setControls (const Controls& controls);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);

private:
    static constexpr int chunkSize = OversampledShaper::maxChunk;
    // The dry path holds the current sample and the latencySamples before it.
    static constexpr int dryDelayLength = latencySamples + 1;

    void processChannels (float* const* channels, int numChannels, int numSamples);
    void updateBlockControls (float ctl);
    void followEnvelope (float peak);
    void computeBiases (float* const* channels, int numChannels, int start, int count, float* biases);
    void filterInput (float* const* channels, int numChannels, int start, int count, float (*filtered)[chunkSize]);
    void finish (float* const* channels, int numChannels, int start, int count, const float (*wet)[chunkSize],
                 float step);

    double sampleRate = 44100.0;
    bool prepared = false;
    OversampledShaper shaper;
    tarngloam::DcBlocker dcBlockers[2];
    tarngloam::SvfLowpass toneFilters[2][2];
    int holdSamples = 1024;
    int holdCounter = 0;
    float releaseFactor = 0.999f;
    float envelope = 0.0f;
    float dryDelay[2][dryDelayLength] {};
    int dryDelayIndex = 0;
    float previousMix = 0.0f;
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    // The curve and tone design depend on the control alone, so they are kept while it is unchanged.
    FuzzCurve curve;
    float designedControl = 0.0f;
    bool designValid = false;

    bool isPrepared() const { return prepared; }

    // The tests' window on the state that no output shows.
    friend struct ModuleProbe;
};
