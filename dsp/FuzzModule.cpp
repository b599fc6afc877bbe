#include "dsp/FuzzModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

void FuzzModule::prepare (const ProcessSpec& setup)
{
    const double sr = setup.sampleRate;
    const float srf = static_cast<float> (sr);

    sampleRate = sr;
    prepared = true;

    shaper.prepare (sr);
    for (auto& blocker : dcBlockers)
        blocker.prepare (sr);

    holdSamples = std::max (1, static_cast<int> (sr * 0.025));
    releaseFactor = std::exp (-1.0f / (srf * 0.2f));

    for (auto& pair : toneFilters)
        for (auto& filter : pair)
            filter.prepare (sr);

    amount.reset (static_cast<int> (std::floor (sr * 0.03)));
    setControls ({});

    designValid = false;
    reset();
}

void FuzzModule::reset()
{
    landOnTarget (amount);
    shaper.reset();
    for (auto& blocker : dcBlockers)
        blocker.reset();
    envelope = 0.0f;
    holdCounter = 0;
    for (auto& pair : toneFilters)
        for (auto& filter : pair)
            filter.reset();
    for (auto& line : dryDelay)
        std::fill (std::begin (line), std::end (line), 0.0f);
    dryDelayIndex = 0;
    previousMix = 0.0f;
}

void FuzzModule::setControls (const Controls& controls)
{
    amount.setTargetValue (clamp01 (controls.amount));
}

void FuzzModule::updateBlockControls (float ctl)
{
    if (designValid && ctl == designedControl)
        return;

    curve = makeFuzzCurve (ctl);

    // The input darkens as the control rises: 20 kHz at 0, 2.5 kHz at 1.
    const float cutoff = std::pow (0.125f, ctl) * 20000.0f;
    for (auto& pair : toneFilters)
        for (auto& filter : pair)
            filter.setParameters (cutoff, 0.707f);

    designedControl = ctl;
    designValid = true;
}

void FuzzModule::followEnvelope (float peak)
{
    // Instant attack, hold, then exponential release.
    if (peak >= envelope)
    {
        envelope = peak;
        holdCounter = holdSamples;
    }
    else if (holdCounter > 0)
    {
        --holdCounter;
    }
    else
    {
        envelope = envelope * releaseFactor;
    }
}

void FuzzModule::process (juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (const auto block = blockToProcess (isPrepared(), buffer, numChannels))
        processChannels (block->channels, block->numChannels, block->numSamples);
}

void FuzzModule::computeBiases (float* const* channels, int numChannels, int start, int count, float* biases)
{
    // One envelope for both channels, following the louder one; read before any sample changes.
    for (int i = 0; i < count; ++i)
    {
        float peak = 0.0f;
        for (int ch = 0; ch < numChannels; ++ch)
            peak = std::max (peak, std::fabs (channels[ch][start + i]));
        followEnvelope (peak);
        biases[i] = curve.bias * envelope;
    }
}

void FuzzModule::filterInput (float* const* channels, int numChannels, int start, int count,
                              float (*filtered)[chunkSize])
{
    // The two cascaded lowpasses of both channels side by side.
    tarngloam::SvfLowpass* first[2] = { &toneFilters[0][0], &toneFilters[1][0] };
    tarngloam::SvfLowpass* second[2] = { &toneFilters[0][1], &toneFilters[1][1] };
    FilterLanes<SvfLowpass> firstLanes (first, numChannels), secondLanes (second, numChannels);
    for (int i = 0; i < count; ++i)
    {
        const auto x = Lanes::generate ([&] (int ch) { return ch < numChannels ? channels[ch][start + i] : 0.0f; });
        const auto y = secondLanes.processSample (firstLanes.processSample (x));
        for (int ch = 0; ch < numChannels; ++ch)
            filtered[ch][i] = y[ch];
    }
    firstLanes.writeBack (first, numChannels);
    secondLanes.writeBack (second, numChannels);
}

void FuzzModule::finish (float* const* channels, int numChannels, int start, int count,
                         const float (*wet)[chunkSize], float step)
{
    // DC removal and the output knee, then the crossfade with the input 48 samples ago; the mix
    // glides from the last block's to this block's across the whole block.
    tarngloam::DcBlocker* blockers[2] = { &dcBlockers[0], &dcBlockers[1] };
    FilterLanes<DcBlocker> blockerLanes (blockers, numChannels);
    for (int i = 0; i < count; ++i)
    {
        const auto blocked = blockerLanes.processSample (
            Lanes::generate ([&] (int ch) { return ch < numChannels ? wet[ch][i] : 0.0f; }));
        const float mix = static_cast<float> (start + i + 1) * step + previousMix;
        for (int ch = 0; ch < numChannels; ++ch)
        {
            float* sample = channels[ch] + start + i;
            dryDelay[ch][dryDelayIndex] = *sample;
            const float delayed = dryDelay[ch][(dryDelayIndex + 1) % dryDelayLength];
            const float y = softClip (blocked[ch], 0.88f, 0.1f);
            *sample = (y - delayed) * mix + delayed;
        }
        dryDelayIndex = (dryDelayIndex + 1) % dryDelayLength;
    }
    blockerLanes.writeBack (blockers, numChannels);
}

void FuzzModule::processChannels (float* const* channels, int numChannels, int numSamples)
{
    // The curve changes once per block; only the dry/wet mix glides per sample.
    const float ctl = amount.getNextValue();
    amount.skip (numSamples - 1);
    updateBlockControls (ctl);

    const float target = clamp01 (ctl / 0.08f);
    const float step = (target - previousMix) / static_cast<float> (numSamples);

    for (int start = 0; start < numSamples; start += chunkSize)
    {
        const int count = std::min (chunkSize, numSamples - start);
        float biases[chunkSize];
        computeBiases (channels, numChannels, start, count, biases);

        float wet[2][chunkSize];
        filterInput (channels, numChannels, start, count, wet);
        float* wetChannels[2] = { wet[0], wet[1] };
        shaper.processChunk (0, numChannels, wetChannels, count, curve, biases);
        finish (channels, numChannels, start, count, wet, step);
    }

    previousMix = target;
}
