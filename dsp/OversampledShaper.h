#pragma once

#include "dsp/DspPrimitives.h"
#include "dsp/FuzzCurve.h"

// The fuzz's clipper run at twice the sample rate, with a 48-tap half-band filter up and down.
// Both the even and the odd branch arrive 48 base-rate samples late.
//
// A chunk is shaped in three passes: the upsampling sums for all its samples, then the clipper
// sample by sample (its tone filter is recursive), then the downsampling sums. The two filters
// are feed-forward, so their sums run four output samples at a time, each in the written tap order.
class OversampledShaper
{
public:
    static constexpr int numTaps = 48;
    static constexpr int latencySamples = numTaps;
    static const float halfbandTaps[numTaps];

    // Samples shaped per call; longer blocks run in several.
    static constexpr int maxChunk = 64;

    void prepare (double baseSampleRate);
    void reset();

    // Shapes up to maxChunk samples of channels firstChannel .. firstChannel + numChannels - 1 in
    // place (signals[n] holds channel firstChannel + n), the bias given per sample.
    void processChunk (int firstChannel, int numChannels, float* const* signals, int count, const FuzzCurve& curve,
                       const float* biases);

private:
    friend struct ModuleProbe;

    float shapeSample (int ch, float x, const FuzzCurve& curve, float bias);

    tarngloam::OnePole tone[2];
    // Per channel, oldest first: the last 47 inputs, the last 48 odd-phase and the last 24
    // even-phase shaped samples, each followed by room for one chunk.
    float upHistory[2][numTaps - 1 + maxChunk] {};
    float downHistory[2][numTaps + maxChunk] {};
    float evenHistory[2][numTaps / 2 + maxChunk] {};
};
