#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/ModuleContract.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <vector>

// 16-line feedback delay network: 10 ms pre-delay, four allpass diffusers per channel, modulated
// lines with damping, loop allpass and decay gain, mixed through a 16-point Hadamard matrix.
// Left feeds and reads the even lines, right the odd ones. Decay 0.6 s; AGE darkens the tail.
class ReverbModule
{
public:
    struct Controls
    {
        // The wet level mixed in, reached over a 50 ms ramp.
        float send = 0.0f;
        // AGE: darkens the tail.
        float amount = 0.0f;
    };

    static constexpr int numLines = 16;
    static constexpr int numDiffuserStages = 4;

    void prepare (const tarngloam::ProcessSpec& setup);
    void reset();
    void setControls (const Controls& controls);
    void process (juce::AudioBuffer<float>& buffer, int numChannels);

private:
    void setAmount (float value);
    void processChannels (float* const* channels, int numChannels, int numSamples);
    float preDelay (int channel, float x);
    float diffuse (int channel, float x);
    // phaseStep is 2 pi / sample rate; depth the modulation in samples (20 at 44.1 kHz).
    void readModulatedTaps (float* taps, float phaseStep, float depth);
    void runLoopFilters (float* taps);
    static void mixHadamard (float* taps);
    void writeLines (const float* taps, float left, float right);

    // Per-line constants; lengths in samples at 44.1 kHz.
    static constexpr int baseLengths[numLines] = { 661, 691, 719, 751, 787, 821, 853, 883,
                                                   919, 953, 991, 1021, 1061, 1091, 1129, 1163 };
    static constexpr int allpassLengths[numLines] = { 181, 197, 211, 227, 241, 257, 271, 283,
                                                      307, 317, 331, 347, 359, 373, 389, 401 };
    static constexpr float lfoRates[numLines] = { 0.51f, 0.64f, 0.73f, 0.86f, 0.97f, 1.09f, 1.18f, 1.31f,
                                                  1.43f, 1.56f, 1.67f, 1.79f, 1.91f, 2.04f, 2.17f, 2.29f };
    static constexpr float injectionSigns[numLines] = { 1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1 };
    static constexpr double diffuserMilliseconds[2][numDiffuserStages] = { { 4.77, 3.6, 8.73, 6.31 },
                                                                            { 5.11, 3.94, 9.36, 5.71 } };
    static constexpr float diffuserGains[numDiffuserStages] = { 0.75f, 0.75f, 0.625f, 0.625f };

    double sampleRate = 44100.0;
    std::vector<float> lines[numLines];
    int lineLengths[numLines] {};
    int lineSizes[numLines] {};
    int lineMasks[numLines] {};
    int lineWriteIndices[numLines] {};
    float lineGains[numLines] {};
    float lfoPhases[numLines] {};
    tarngloam::OnePole damping[numLines];
    std::vector<float> loopAllpasses[numLines];
    int loopAllpassLengths[numLines] {};
    int loopAllpassIndices[numLines] {};
    std::vector<float> diffusers[2][numDiffuserStages];
    int diffuserLengths[2][numDiffuserStages] {};
    int diffuserIndices[2][numDiffuserStages] {};
    tarngloam::DcBlocker dcBlockers[2];
    std::vector<float> preDelays[2];
    int preDelayLength = 1;
    int preDelaySize = 8;
    int preDelayMask = 7;
    int preDelayWriteIndex = 0;
    float brightness = 0.72f;
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> send;

    // The lines' storage and lengths as the four-lane reads want them; set in prepare.
    const float* lineData[numLines] {};
    float lineLengthsAsFloat[numLines] {};

    // setAmount runs every block; the damping design is kept while its value holds.
    float designedAmount = 0.0f;
    bool designValid = false;

    bool isPrepared() const { return lineSizes[0] > 0; }

    // The tests' window on the state that no output shows.
    friend struct ModuleProbe;
};
