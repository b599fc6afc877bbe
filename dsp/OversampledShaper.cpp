#include "dsp/OversampledShaper.h"

#include "dsp/DspPrimitives.h"

#include <algorithm>

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

void OversampledShaper::prepare (double baseSampleRate)
{
    // The tone lowpass runs at the doubled rate.
    const float doubledRate = static_cast<float> (baseSampleRate + baseSampleRate);
    for (auto& filter : tone)
        filter.coefficient = OnePole::coefficientFor (4500.0f, doubledRate);
    reset();
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
