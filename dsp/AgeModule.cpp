#include "dsp/AgeModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

namespace
{
    // Modulation depths at full setting, as milliseconds * 0.001 in single precision.
    constexpr float lfoDepthSeconds[3] = { 6.0f * 0.001f, 0.35f * 0.001f, 0.18f * 0.001f };
    constexpr float driftDepthSeconds = 2.5f * 0.001f;

    // The negative half-wave clips at three quarters of the positive knee.
    float asymmetricClip (float x, float threshold)
    {
        const float t = x < 0.0f ? 0.75f * threshold : threshold;
        return softClip (x, t, 0.45f * t);
    }

    const HalfScaleSineCycle<128> referenceSine;
} // namespace

void AgeModule::prepare (const ProcessSpec& setup)
{
    const double sr = setup.sampleRate;
    const float srf = static_cast<float> (sr);

    sampleRate = sr;
    bufferSize = nextPowerOfTwo (static_cast<int> (0.12 * sr));
    bufferMask = bufferSize - 1;

    for (int ch = 0; ch < 2; ++ch)
    {
        buffers[ch].assign (static_cast<size_t> (bufferSize), 0.0f);
        lowpasses[ch].coefficient = OnePole::coefficientFor (19000.0f, srf);
    }

    designValid = false;
    setControls ({});

    driftPeriod = std::max (1, static_cast<int> (0.045 * sr));
    driftSmoothing = 1.0f - std::exp (-1.0f / (0.09f * srf));

    amount.reset (static_cast<int> (std::floor (0.08 * sampleRate)));
    reset();
}

void AgeModule::reset()
{
    landOnTarget (amount);
    for (int ch = 0; ch < 2; ++ch)
    {
        std::fill (buffers[ch].begin(), buffers[ch].end(), 0.0f);
        std::fill (std::begin (lfoPhases[ch]), std::end (lfoPhases[ch]), 0.0f);
        driftCounters[ch] = 0;
        driftTargets[ch] = 0.0f;
        driftValues[ch] = 0.0f;
        lowpasses[ch].state = 0.0f;
    }
    writeIndex = 0;
}

void AgeModule::setControls (const Controls& controls)
{
    setAmount (controls.amount);
}

float AgeModule::computeMakeupGain (float driveGain, float threshold)
{
    // Brings one cycle of a half-scale sine back to its own loudness after the clipper.
    double sumOut = 0.0;
    for (const float sine : referenceSine.samples)
    {
        const float y = asymmetricClip (sine * driveGain, threshold);
        sumOut += static_cast<double> (y) * static_cast<double> (y);
    }

    const double ratio = std::sqrt (std::max (sumOut, 1e-20) / std::max (referenceSine.energy, 1e-20));
    return 1.0f / std::max (static_cast<float> (ratio), 0.0001f);
}

void AgeModule::setAmount (float value)
{
    const float a = clamp01 (value);
    amount.setTargetValue (a);

    if (designValid && a == designedAmount)
        return;

    const float srf = static_cast<float> (sampleRate);
    drive = 0.55f * a + 1.0f;
    clipThreshold = std::pow (0.78f, a);

    const float corner = clampValue (std::pow (0.42105263f, a) * 19000.0f, 1.0f, 0.45f * srf);
    for (auto& lowpass : lowpasses)
        lowpass.coefficient = 1.0f - std::exp (-twoPi * corner / srf);

    makeupGain = computeMakeupGain (drive, clipThreshold);
    designedAmount = a;
    designValid = true;
}

float AgeModule::moveReadHead (int ch, float input, const float* depths, float phaseStep, float& wowSine)
{
    buffers[ch][static_cast<size_t> (writeIndex)] = input;

    float s[3];
    for (int k = 0; k < 3; ++k)
    {
        lfoPhases[ch][k] += phaseStep * lfoRates[ch][k];
        if (lfoPhases[ch][k] > twoPi)
            lfoPhases[ch][k] -= twoPi;
        s[k] = std::sin (lfoPhases[ch][k]);
    }

    float m = 0.0f;
    for (int k = 0; k < 3; ++k)
        m = m + (0.5f * s[k] + 0.5f) * depths[k];

    if (++driftCounters[ch] >= driftPeriod)
    {
        driftCounters[ch] = 0;
        driftTargets[ch] = random.nextFloat();
    }
    driftValues[ch] += (driftTargets[ch] - driftValues[ch]) * driftSmoothing;

    const float delay = depths[3] * driftValues[ch] + m;

    // Four samples behind the write position at rest, plus the modulated delay.
    wowSine = s[0];
    return (static_cast<float> (writeIndex) - 4.0f) - delay;
}

float AgeModule::wear (int ch, float r, float v, float wowSine)
{
    const float x = (1.0f - (0.5f - 0.5f * wowSine) * (0.24f * v)) * r * drive;
    const float y = asymmetricClip (x, clipThreshold) * makeupGain;
    const float lp = lowpasses[ch].processSample (y);
    return v > 0.0f ? lp : r;
}

void AgeModule::process (juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (const auto block = blockToProcess (isPrepared(), buffer, numChannels))
        processChannels (block->channels, block->numChannels, block->numSamples);
}

void AgeModule::processChannels (float* const* channels, int numChannels, int numSamples)
{
    const float srf = static_cast<float> (sampleRate);
    const float phaseStep = twoPi / srf;
    const float* const laneBuffers[Lanes::width] = { buffers[0].data(), buffers[1].data(), buffers[0].data(),
                                                      buffers[1].data() };
    const int laneMasks[Lanes::width] = { bufferMask, bufferMask, bufferMask, bufferMask };

    for (int i = 0; i < numSamples; ++i)
    {
        const float v = amount.getNextValue();

        if (numChannels > 0)
        {
            const float depths[4] = { lfoDepthSeconds[0] * srf * v, lfoDepthSeconds[1] * srf * v,
                                      lfoDepthSeconds[2] * srf * v, driftDepthSeconds * srf * v };
            // Both channels' heads move first (the drift draws keep their order), then both read
            // in one four-lane read: lane 0 the left channel, lane 1 the right.
            float positions[2] {}, wowSines[2] {};
            for (int ch = 0; ch < numChannels; ++ch)
                positions[ch] = moveReadHead (ch, channels[ch][i], depths, phaseStep, wowSines[ch]);
            const auto reads = readHermiteLanes (laneBuffers, laneMasks,
                                                 Lanes::generate ([&] (int lane) { return positions[lane % 2]; }));
            for (int ch = 0; ch < numChannels; ++ch)
                channels[ch][i] = wear (ch, reads[ch], v, wowSines[ch]);
        }

        writeIndex = (writeIndex + 1) & bufferMask;
    }
}
