#include "dsp/GrainModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

namespace
{
    // Voices 0 and 1 replay an octave up; 2 and 3 replay at pitch from a longer delay.
    constexpr float windowGains[4] = { 0.6f, 0.6f, 0.4f, 0.4f };
    constexpr float offsetSpans[4] = { 0.35f, 0.35f, 1.6f, 1.6f };
    constexpr float initialPhases[4] = { 0.0f, 0.5f, 0.0f, 0.5f };
} // namespace

int GrainModule::minGrainLength() const
{
    return std::max (64, static_cast<int> (0.007 * sampleRate));
}

void GrainModule::prepare (const ProcessSpec& setup)
{
    const double sr = setup.sampleRate;
    const float srf = static_cast<float> (sr);

    sampleRate = sr;
    maxGrainLength = std::max (256, roundToNearest (0.32 * sr));
    bufferSize = nextPowerOfTwo (3 * maxGrainLength);
    bufferMask = bufferSize - 1;

    for (int ch = 0; ch < 2; ++ch)
    {
        buffers[ch].assign (static_cast<size_t> (bufferSize), 0.0f);
        lowpasses[ch].coefficient = OnePole::coefficientFor (8000.0f, srf);
        dcBlockers[ch].prepare (sr);
    }

    // Half a second: 120 bpm, until the processor says otherwise.
    setControls ({ 0.0f, 0.5f * srf });
    amount.reset (static_cast<int> (std::floor (0.05 * sampleRate)));
    reset();
}

void GrainModule::reset()
{
    landOnTarget (amount);
    for (int ch = 0; ch < 2; ++ch)
    {
        lowpasses[ch].state = 0.0f;
        dcBlockers[ch].reset();
        std::fill (buffers[ch].begin(), buffers[ch].end(), 0.0f);
    }
    writeIndex = 0;
    std::copy (std::begin (initialPhases), std::end (initialPhases), std::begin (grainPhases));
    std::fill (std::begin (grainOffsets), std::end (grainOffsets), 0.0f);
}

void GrainModule::setControls (const Controls& controls)
{
    // The grain length follows from the beat, so the beat comes first.
    setBeatLength (controls.samplesPerBeat);
    setAmount (controls.amount);
}

void GrainModule::setBeatLength (float samplesPerBeat)
{
    const float lo = static_cast<float> (sampleRate) * 0.05f;
    const float hi = static_cast<float> (sampleRate) * 4.0f;
    beatLength = lo > samplesPerBeat ? lo : std::min (hi, samplesPerBeat);
}

void GrainModule::setAmount (float value)
{
    control = clamp01 (value);
    amount.setTargetValue (control);

    const int index = std::clamp (static_cast<int> (control * 7.0f * 0.999f), 0, 6);
    const int length = static_cast<int> (std::round (grainFractions[index] * beatLength));
    const int shortest = minGrainLength();
    grainLength = length < shortest ? shortest : std::min (length, std::max (shortest + 1, maxGrainLength));
}

void GrainModule::process (juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (const auto block = blockToProcess (isPrepared(), buffer, numChannels))
        processChannels (block->channels, block->numChannels, block->numSamples);
}

void GrainModule::processChannels (float* const* channels, int numChannels, int numSamples)
{
    const float G = static_cast<float> (grainLength);
    const float step = 1.0f / G;

    // Lane i reads channel i % 2.
    const float* const laneBuffers[Lanes::width] = { buffers[0].data(), buffers[1].data(), buffers[0].data(),
                                                      buffers[1].data() };
    const int laneMasks[Lanes::width] = { bufferMask, bufferMask, bufferMask, bufferMask };

    for (int i = 0; i < numSamples; ++i)
    {
        const float v = amount.getNextValue();

        for (int ch = 0; ch < numChannels; ++ch)
            buffers[ch][static_cast<size_t> (writeIndex)] = channels[ch][i];

        // Move the four voices (drawing their offsets in voice order), then read them on both
        // channels at once: voices 0 and 1 in the first four lanes, 2 and 3 in the next.
        float delays[4], windows[4];
        for (int k = 0; k < 4; ++k)
        {
            grainPhases[k] -= step;
            if (grainPhases[k] < 0.0f)
            {
                grainPhases[k] += 1.0f;
                grainOffsets[k] = random.nextFloat() * G * offsetSpans[k];
            }

            const float s = std::sin (pi * grainPhases[k]);
            windows[k] = s * s * windowGains[k];
            delays[k] = ((k < 2 ? grainPhases[k] * G : G) + grainOffsets[k]) + 2.0f;
        }

        float reads[8];
        for (int pair = 0; pair < 2; ++pair)
            readBehindLanes (laneBuffers, laneMasks, writeIndex,
                             Lanes::generate ([&] (int lane) { return delays[2 * pair + lane / 2]; }))
                .store (reads + Lanes::width * pair);

        float acc[2] = { 0.0f, 0.0f };
        for (int k = 0; k < 4; ++k)
            for (int ch = 0; ch < numChannels; ++ch)
                acc[ch] += reads[2 * k + ch] * windows[k];

        const float wet = 0.95f * v;
        const float dry = 1.0f - 0.45f * wet;

        for (int ch = 0; ch < numChannels; ++ch)
        {
            const float y = lowpasses[ch].processSample (acc[ch]);
            const float h = dcBlockers[ch].processSample (y);
            if (v > 0.0f)
                channels[ch][i] = channels[ch][i] * dry + h * wet;
        }

        writeIndex = (writeIndex + 1) & bufferMask;
    }
}
