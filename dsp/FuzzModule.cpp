#include "dsp/FuzzModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

// Odd-indexed coefficients of a 95-tap half-band lowpass, scaled by 2; taps 24..47 mirror 0..23.
const float OversampledShaper::halfbandTaps[48] = {
    -0.000025097634f, 0.000070301394f, -0.00015294283f, 0.00029095888f, -0.00050718075f, 0.0008298576f,
    -0.0012931435f,   0.0019375903f,   -0.002810737f,   0.0039679552f,  -0.0054738224f,  0.0074044624f,
    -0.009851602f,    0.012929618f,    -0.016787883f,   0.021632833f,   -0.027768798f,   0.03567765f,
    -0.046186443f,    0.060859453f,    -0.08306263f,    0.1215824f,     -0.20871702f,    0.63545173f,
    0.63545173f,      -0.20871702f,    0.1215824f,      -0.08306263f,   0.060859453f,    -0.046186443f,
    0.03567765f,      -0.027768798f,   0.021632833f,    -0.016787883f,  0.012929618f,    -0.009851602f,
    0.0074044624f,    -0.0054738224f,  0.0039679552f,   -0.002810737f,  0.0019375903f,   -0.0012931435f,
    0.0008298576f,    -0.00050718075f, 0.00029095888f,  -0.00015294283f, 0.000070301394f, -0.000025097634f,
};

namespace
{
    // The static two-stage curve with the bias of an envelope at 0.5, without tone and output gain.
    float staticCurve (const FuzzCurve& c, float x)
    {
        float u = (x + c.bias * 0.5f) * c.preGain;
        float t = c.threshold1;
        if (u < 0.0f)
            t = t * c.negativeScale;
        u = softClip (u, t, t * 0.45f);
        u = u * c.interGain;
        t = c.threshold2;
        if (u < 0.0f)
            t = t * c.negativeScale;
        return softClip (u, t, t * 0.45f);
    }
} // namespace

FuzzCurve makeFuzzCurve (float ctl)
{
    const float a = std::pow (clamp01 (ctl), 0.6f);

    FuzzCurve c;
    c.bias = a * (-0.07f);
    c.preGain = std::pow (5.0f, a);
    c.threshold1 = std::pow (0.5f, a);
    c.interGain = std::pow (4.0f, a);
    c.threshold2 = std::pow (0.35f, a);
    c.negativeScale = 1.0f - a * 0.4f;

    // Peak over a full-scale ramp from -1 to +1 in steps of 1/64.
    float peak = 0.0f;
    for (int i = 0; i <= 128; ++i)
    {
        const float x = ((static_cast<float> (i) + static_cast<float> (i)) * 0.0078125f - 1.0f);
        peak = std::max (peak, std::fabs (staticCurve (c, x)));
    }

    // Loudness of a half-scale sine before and after the curve.
    double sumIn = 0.0, sumOut = 0.0;
    for (int j = 0; j < 256; ++j)
    {
        const float s = std::sin (static_cast<float> (j) * twoPi * 0.00390625f) * 0.5f;
        const float y = staticCurve (c, s);
        sumIn += static_cast<double> (s) * static_cast<double> (s);
        sumOut += static_cast<double> (y) * static_cast<double> (y);
    }

    const float limitGain = (1.0f - a * 0.14f) / std::max (peak, 0.0001f);
    const float ratio = static_cast<float> (std::sqrt (std::max (sumOut, 1e-20) / std::max (sumIn, 1e-20)));
    const float loudnessGain = 1.0f / std::max (ratio, 0.0001f);
    c.outputGain = std::min (limitGain, loudnessGain);
    return c;
}

float OversampledShaper::shapeSample (int ch, float x, const FuzzCurve& c, float bias)
{
    float u = (x + bias) * c.preGain;
    float t = c.threshold1;
    if (u < 0.0f)
        t = t * c.negativeScale;
    u = softClip (u, t, t * 0.45f);

    u = tone[ch].processSample (u);

    u = u * c.interGain;
    t = c.threshold2;
    if (u < 0.0f)
        t = t * c.negativeScale;
    u = softClip (u, t, t * 0.45f);
    return u * c.outputGain;
}

namespace
{
    // Drops the oldest `count` entries of a history followed by a chunk: the newest `keep` move to the front.
    void keepNewest (float* history, int keep, int count)
    {
        std::copy (history + count, history + count + keep, history);
    }
} // namespace

void OversampledShaper::processChunk (int firstChannel, int numChannels, float* const* signals, int count,
                                      const FuzzCurve& c, const float* biases)
{
    constexpr int upKept = numTaps - 1, downKept = numTaps, evenKept = numTaps / 2;

    // Odd phase: the input interpolated half a sample after the even one (a delay of 23.5),
    // accumulated from 0.
    static constexpr float zeros[maxChunk] {};
    float odd[2][maxChunk];
    for (int n = 0; n < numChannels; ++n)
    {
        float* up = upHistory[firstChannel + n];
        std::copy (signals[n], signals[n] + count, up + upKept);
        firSums (halfbandTaps, numTaps, up + upKept, zeros, odd[n], count);
    }

    // The clipper at the doubled rate, the channels side by side; each channel's tone state sees
    // its even sample (the input 24 samples ago) first.
    for (int i = 0; i < count; ++i)
    {
        for (int n = 0; n < numChannels; ++n)
        {
            const int ch = firstChannel + n;
            evenHistory[ch][evenKept + i] = shapeSample (ch, upHistory[ch][upKept + i - 24], c, biases[i]);
            downHistory[ch][downKept + i] = shapeSample (ch, odd[n][i], c, biases[i]);
        }
    }

    // Down: the even sample 24 steps old plus the odd ones 1..48 steps old, then halved. The
    // newest odd sample is not used.
    for (int n = 0; n < numChannels; ++n)
    {
        const int ch = firstChannel + n;
        firSums (halfbandTaps, numTaps, downHistory[ch] + downKept - 1, evenHistory[ch], signals[n], count);
        for (int i = 0; i < count; ++i)
            signals[n][i] = signals[n][i] * 0.5f;

        keepNewest (upHistory[ch], upKept, count);
        keepNewest (downHistory[ch], downKept, count);
        keepNewest (evenHistory[ch], evenKept, count);
    }
}

float OversampledShaper::processSample (int channel, float x, const FuzzCurve& c, float bias)
{
    float* signal = &x;
    processChunk (std::clamp (channel, 0, 1), 1, &signal, 1, c, &bias);
    return x;
}

void OversampledShaper::reset()
{
    for (int ch = 0; ch < 2; ++ch)
    {
        tone[ch].state = 0.0f;
        std::fill (std::begin (upHistory[ch]), std::end (upHistory[ch]), 0.0f);
        std::fill (std::begin (downHistory[ch]), std::end (downHistory[ch]), 0.0f);
        std::fill (std::begin (evenHistory[ch]), std::end (evenHistory[ch]), 0.0f);
    }
}

void FuzzModule::prepare (double newSampleRate)
{
    const double sr = newSampleRate;
    const float srf = static_cast<float> (sr);
    const float sr2f = static_cast<float> (sr + sr);

    sampleRate = sr;
    prepared = true;

    for (auto& tone : shaper.tone)
        tone.coefficient = OnePole::coefficientFor (4500.0f, sr2f);
    shaper.reset();

    for (auto& blocker : dcBlockers)
        blocker.prepare (sr);

    holdSamples = std::max (1, static_cast<int> (sr * 0.025));
    releaseFactor = std::exp (-1.0f / (srf * 0.2f));
    envelope = 0.0f;
    holdCounter = 0;

    for (auto& pair : toneFilters)
        for (auto& filter : pair)
            filter.prepare (sr);

    amount.reset (static_cast<int> (std::floor (sr * 0.03)));
    amount.setCurrentAndTargetValue (0.0f);

    designValid = false;
    reset();
}

void FuzzModule::reset()
{
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
            const float delayed = dryDelay[ch][(dryDelayIndex + 1) % 49];
            const float y = softClip (blocked[ch], 0.88f, 0.1f);
            *sample = (y - delayed) * mix + delayed;
        }
        dryDelayIndex = (dryDelayIndex + 1) % 49;
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
