#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleContract.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_core/juce_core.h>

#include <vector>

// Octave-down and octave-up voices plus a three-tap drifting chorus, drawn from a band-limited
// copy of the input and faded in by the BLEED control: chorus first, then the sub, then the octave.
class BleedModule
{
public:
    struct Controls
    {
        float amount = 0.0f; // BLEED as 0 .. 1: chorus first, then the sub, then the octave
    };

    void prepare (const tarngloam::ProcessSpec& setup);
    void reset();
    void setControls (const Controls& controls);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);

private:
    void processChannels (float* const* channels, int numChannels, int numSamples);
    // Four fractional reads, lane i from channel channelOfLane[i] delays[i] samples back.
    tarngloam::Lanes readDelays (const int* channelOfLane, const tarngloam::Lanes& delays) const;
    // voice[ch] += the two heads' reads, each times its window, head 0 first.
    void addHeadPair (float* voice, int numChannels, const float* delays, const float* windows) const;
    struct ChannelFilters
    {
        tarngloam::FilterLanes<tarngloam::SvfLowpass> lowpass;
        tarngloam::FilterLanes<tarngloam::OnePole> lowCut;
        tarngloam::FilterLanes<tarngloam::DcBlocker> dcBlocker;
    };
    void feedDelayLines (const tarngloam::Lanes& input, int numChannels, ChannelFilters& filters);
    void addSubHeads (float* sub, int numChannels);
    void addOctaveHeads (float* oct, int numChannels);
    void addChorus (float* chorus, int numChannels, float chorusMix, float phaseStep);

    static constexpr float tapRates[2][3] = { { 0.093f, 0.127f, 0.171f }, { 0.109f, 0.143f, 0.157f } };
    // 9.3, 15.1 and 22.4 ms, converted as milliseconds * 0.001 in single precision.
    static constexpr float tapBaseDelays[3] = { 9.3f * 0.001f, 15.1f * 0.001f, 22.4f * 0.001f };

    double sampleRate = 44100.0;
    int delayLength = 0, delayMask = 0, writeIndex = 0; // the voices' power-of-two delay lines
    int subPeriod = 2048, octavePeriod = 2048;           // the pitch heads' cycles in samples
    std::vector<float> delayBuffers[2];
    tarngloam::DcBlocker dcBlockers[2];
    tarngloam::SvfLowpass inputLowpass[2];
    tarngloam::OnePole lowCut[2];
    float subPhase[2] {};
    float octavePhase[2] {};
    float octaveOffset[2] {};
    float tapPhase[2][3] {};
    float tapDrift[2][3] {};
    float tapDriftTarget[2][3] {};
    int tapHoldCounter[2][3] {};
    int driftHoldSamples = 1024;
    float driftSmoothing = 0.001f;
    // Seeded at construction and never again, so that the sequence runs on across prepares.
    static constexpr juce::int64 randomSeed = 60607;
    juce::Random random { randomSeed };
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> amount;

    bool isPrepared() const { return delayLength > 0; }

    // The tests' window on the state that no output shows.
    friend struct ModuleProbe;
};
