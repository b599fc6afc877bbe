#include "dsp/BleedModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

void BleedModule::prepare (const ProcessSpec& setup)
{
    const double sr = setup.sampleRate;
    const float srf = static_cast<float> (sr);

    sampleRate = sr;
    subPeriod = std::max (256, roundToNearest (sr * 0.11));
    octavePeriod = std::max (256, roundToNearest (sr * 0.075));

    delayLength = nextPowerOfTwo (std::max (3 * subPeriod, static_cast<int> (sr * 0.08)));
    delayMask = delayLength - 1;

    for (int ch = 0; ch < 2; ++ch)
    {
        delayBuffers[ch].assign (static_cast<size_t> (delayLength), 0.0f);
        dcBlockers[ch].prepare (sr);
        inputLowpass[ch].prepare (sr);
        inputLowpass[ch].setParameters (5000.0f, 0.707f);
        lowCut[ch].coefficient = OnePole::coefficientFor (60.0f, srf);
    }

    driftHoldSamples = std::max (1, static_cast<int> (sr * 0.07));
    driftSmoothing = 1.0f - std::exp (-1.0f / (srf * 0.15f));

    amount.reset (static_cast<int> (std::floor (sr * 0.05)));
    setControls ({});
    reset();
}

void BleedModule::reset()
{
    landOnTarget (amount);

    for (int ch = 0; ch < 2; ++ch)
    {
        dcBlockers[ch].reset();
        inputLowpass[ch].reset();
        lowCut[ch].state = 0.0f;
    }
    for (auto& line : delayBuffers)
        std::fill (line.begin(), line.end(), 0.0f);
    writeIndex = 0;

    static constexpr float tapPhaseOffsets[3] = { 0.0f, 0.37f, 0.74f };
    for (int ch = 0; ch < 2; ++ch)
    {
        for (int k = 0; k < 3; ++k)
        {
            tapPhase[ch][k] = (static_cast<float> (ch) * 0.5f + tapPhaseOffsets[k]) * twoPi;
            tapDrift[ch][k] = 0.0f;
            tapDriftTarget[ch][k] = 0.0f;
            tapHoldCounter[ch][k] = 0;
        }
    }

    subPhase[0] = 0.0f;
    subPhase[1] = 0.5f;
    octavePhase[0] = 0.0f;
    octavePhase[1] = 0.5f;
    octaveOffset[0] = octaveOffset[1] = 0.0f;
}

void BleedModule::setControls (const Controls& controls)
{
    amount.setTargetValue (clamp01 (controls.amount));
}

Lanes BleedModule::readDelays (const int* channelOfLane, const Lanes& delays) const
{
    const float* buffers[Lanes::width];
    const int masks[Lanes::width] = { delayMask, delayMask, delayMask, delayMask };
    for (int i = 0; i < Lanes::width; ++i)
        buffers[i] = delayBuffers[channelOfLane[i]].data();
    return readBehindLanes (buffers, masks, writeIndex, delays);
}

void BleedModule::feedDelayLines (const Lanes& input, int numChannels, ChannelFilters& filters)
{
    // The voices are drawn from the input band-limited to roughly 60 Hz - 5 kHz.
    const auto lp = filters.lowpass.processSample (input);
    const auto band = lp - filters.lowCut.processSample (lp);
    for (int ch = 0; ch < numChannels; ++ch)
        delayBuffers[ch][static_cast<size_t> (writeIndex)] = band[ch];
}

void BleedModule::addHeadPair (float* voice, int numChannels, const float* delays, const float* windows) const
{
    // Both heads on both channels in one four-lane read: head 0 in lanes 0 and 1, head 1 in 2 and 3.
    static constexpr int channelOfLane[Lanes::width] = { 0, 1, 0, 1 };
    const auto reads = readDelays (channelOfLane, Lanes::generate ([&] (int i) { return delays[i / 2]; }));
    for (int h = 0; h < 2; ++h)
        for (int ch = 0; ch < numChannels; ++ch)
            voice[ch] = reads[2 * h + ch] * windows[h] + voice[ch];
}

void BleedModule::addSubHeads (float* sub, int numChannels)
{
    // Two heads half a cycle apart, drifting away at half a sample per sample: one octave down.
    float delays[2], windows[2];
    for (int h = 0; h < 2; ++h)
    {
        subPhase[h] += 0.5f / static_cast<float> (subPeriod);
        if (subPhase[h] >= 1.0f)
            subPhase[h] -= 1.0f;

        const float s = std::sin (subPhase[h] * pi);
        windows[h] = s * s;
        delays[h] = static_cast<float> (subPeriod) * subPhase[h] + 2.0f;
    }
    addHeadPair (sub, numChannels, delays, windows);
}

void BleedModule::addOctaveHeads (float* oct, int numChannels)
{
    // Delay shrinking by one sample per sample: one octave up. Each restart jumps by a random
    // extra delay while its window is closed.
    float delays[2], windows[2];
    for (int h = 0; h < 2; ++h)
    {
        octavePhase[h] -= 1.0f / static_cast<float> (octavePeriod);
        if (octavePhase[h] < 0.0f)
        {
            octavePhase[h] += 1.0f;
            octaveOffset[h] = (random.nextFloat() * 0.35f) * static_cast<float> (octavePeriod);
        }

        const float s = std::sin (octavePhase[h] * pi);
        windows[h] = s * s;
        delays[h] = (static_cast<float> (octavePeriod) * octavePhase[h] + octaveOffset[h]) + 2.0f;
    }
    addHeadPair (oct, numChannels, delays, windows);
}

void BleedModule::addChorus (float* chorus, int numChannels, float chorusMix, float phaseStep)
{
    const float srf = static_cast<float> (sampleRate);
    const float depth = (srf * 0.008f) * chorusMix;

    // Move every tap first, in channel-then-tap order (the random draws keep their sequence), then
    // read all six in two four-lane reads.
    float delays[2 * Lanes::width] {};
    for (int ch = 0; ch < numChannels; ++ch)
    {
        for (int k = 0; k < 3; ++k)
        {
            tapPhase[ch][k] = phaseStep * tapRates[ch][k] + tapPhase[ch][k];
            if (tapPhase[ch][k] > twoPi)
                tapPhase[ch][k] -= twoPi;

            if (++tapHoldCounter[ch][k] >= driftHoldSamples)
            {
                tapHoldCounter[ch][k] = 0;
                tapDriftTarget[ch][k] = random.nextFloat();
            }
            tapDrift[ch][k] = (tapDriftTarget[ch][k] - tapDrift[ch][k]) * driftSmoothing + tapDrift[ch][k];

            const float lfo = std::sin (tapPhase[ch][k]) * 0.5f + 0.5f;
            delays[3 * ch + k] = ((lfo * 0.5f + tapDrift[ch][k] * 0.5f) * depth) + srf * tapBaseDelays[k];
        }
    }

    static constexpr int firstChannels[Lanes::width] = { 0, 0, 0, 1 };
    static constexpr int secondChannels[Lanes::width] = { 1, 1, 1, 1 };
    float taps[2 * Lanes::width];
    readDelays (firstChannels, Lanes::load (delays)).store (taps);
    if (numChannels > 1)
        readDelays (secondChannels, Lanes::load (delays + Lanes::width)).store (taps + Lanes::width);

    for (int ch = 0; ch < numChannels; ++ch)
    {
        const float* tap = taps + 3 * ch;
        chorus[ch] = (tap[2] + (tap[1] + (tap[0] + 0.0f))) * 0.577f;
    }
}

void BleedModule::process (juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (const auto block = blockToProcess (isPrepared(), buffer, numChannels))
        processChannels (block->channels, block->numChannels, block->numSamples);
}

void BleedModule::processChannels (float* const* channels, int numChannels, int numSamples)
{
    const float phaseStep = twoPi / static_cast<float> (sampleRate);

    // Each channel's recursive filters run side by side with the other's, one lane each.
    SvfLowpass* lowpasses[2] = { &inputLowpass[0], &inputLowpass[1] };
    OnePole* lowCuts[2] = { &lowCut[0], &lowCut[1] };
    DcBlocker* blockers[2] = { &dcBlockers[0], &dcBlockers[1] };
    ChannelFilters filters { { lowpasses, numChannels }, { lowCuts, numChannels }, { blockers, numChannels } };

    for (int i = 0; i < numSamples; ++i)
    {
        const float v = amount.getNextValue();
        const float control = clamp01 (v);
        const float chorusMix = clamp01 (control / 0.35f);
        const float subMix = clamp01 ((control - 0.2f) + (control - 0.2f));
        const float octaveMix = clamp01 ((control - 0.4f) / 0.6f);

        const auto input = Lanes::generate ([&] (int ch) { return ch < numChannels ? channels[ch][i] : 0.0f; });
        feedDelayLines (input, numChannels, filters);

        float sub[2] = {}, oct[2] = {}, chorus[2] = {};
        addSubHeads (sub, numChannels);
        addOctaveHeads (oct, numChannels);
        if (numChannels > 0)
            addChorus (chorus, numChannels, chorusMix, phaseStep);

        // Normalise by the expected loudness of the voices added.
        const float subGain = subMix * 0.95f;
        const float chorusGain = chorusMix * 0.8f;
        const float octaveGain = octaveMix;
        const float norm = ((subGain * subGain + chorusGain * chorusGain) + octaveGain * octaveGain) * 0.4f + 1.0f;
        const float gain = 1.0f / std::sqrt (norm);

        float mixed[Lanes::width] {};
        for (int ch = 0; ch < numChannels; ++ch)
            mixed[ch] = ((chorusGain * chorus[ch] + input[ch]) + subGain * sub[ch]) + octaveGain * oct[ch];
        const auto blocked = filters.dcBlocker.processSample (Lanes::load (mixed));
        if (v > 0.0f)
            for (int ch = 0; ch < numChannels; ++ch)
                channels[ch][i] = blocked[ch] * gain;

        writeIndex = (writeIndex + 1) & delayMask;
    }

    filters.lowpass.writeBack (lowpasses, numChannels);
    filters.lowCut.writeBack (lowCuts, numChannels);
    filters.dcBlocker.writeBack (blockers, numChannels);
}
