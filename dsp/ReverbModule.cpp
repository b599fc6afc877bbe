#include "dsp/ReverbModule.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

void ReverbModule::prepare (const ProcessSpec& setup)
{
    const double sr = setup.sampleRate;
    const float srf = static_cast<float> (sr);
    const double ratio = sr / 44100.0;
    const int modulationMargin = static_cast<int> (20.0f * static_cast<float> (ratio));

    sampleRate = sr;

    for (int L = 0; L < numLines; ++L)
    {
        lineLengths[L] = roundToNearest (baseLengths[L] * ratio);
        lineSizes[L] = nextPowerOfTwo (lineLengths[L] + modulationMargin + 8);
        lineMasks[L] = lineSizes[L] - 1;
        lines[L].assign (static_cast<size_t> (lineSizes[L]), 0.0f);
        lineData[L] = lines[L].data();
        lineLengthsAsFloat[L] = static_cast<float> (lineLengths[L]);
        damping[L].coefficient = OnePole::coefficientFor (4000.0f, srf);
        loopAllpassLengths[L] = std::max (4, roundToNearest (allpassLengths[L] * ratio));
        loopAllpasses[L].assign (static_cast<size_t> (loopAllpassLengths[L]), 0.0f);
    }

    for (int ch = 0; ch < 2; ++ch)
    {
        for (int k = 0; k < numDiffuserStages; ++k)
        {
            diffuserLengths[ch][k] = std::max (4, roundToNearest (diffuserMilliseconds[ch][k] * 0.001 * sr));
            diffusers[ch][k].assign (static_cast<size_t> (diffuserLengths[ch][k]), 0.0f);
        }
        dcBlockers[ch].prepare (sr);
    }

    designValid = false;
    setControls ({});

    preDelayLength = std::max (1, roundToNearest (0.01 * sr));
    preDelaySize = nextPowerOfTwo (preDelayLength + 8);
    preDelayMask = preDelaySize - 1;
    for (auto& line : preDelays)
        line.assign (static_cast<size_t> (preDelaySize), 0.0f);

    // -60 dB after 0.6 s around each loop.
    for (int L = 0; L < numLines; ++L)
        lineGains[L] = std::pow (10.0f, -3.0f * static_cast<float> (loopAllpassLengths[L] + lineLengths[L])
                                            / (0.6f * srf));

    send.reset (static_cast<int> (std::floor (0.05 * sampleRate)));
    reset();
}

void ReverbModule::reset()
{
    landOnTarget (send);
    for (int L = 0; L < numLines; ++L)
    {
        std::fill (lines[L].begin(), lines[L].end(), 0.0f);
        std::fill (loopAllpasses[L].begin(), loopAllpasses[L].end(), 0.0f);
        lineWriteIndices[L] = 0;
        loopAllpassIndices[L] = 0;
        damping[L].state = 0.0f;
        lfoPhases[L] = static_cast<float> (L) * 0.41f;
    }
    for (int ch = 0; ch < 2; ++ch)
    {
        for (int k = 0; k < numDiffuserStages; ++k)
        {
            std::fill (diffusers[ch][k].begin(), diffusers[ch][k].end(), 0.0f);
            diffuserIndices[ch][k] = 0;
        }
        std::fill (preDelays[ch].begin(), preDelays[ch].end(), 0.0f);
        dcBlockers[ch].reset();
    }
    preDelayWriteIndex = 0;
}

void ReverbModule::setControls (const Controls& controls)
{
    setAmount (controls.amount);
    send.setTargetValue (clamp01 (controls.send));
}

void ReverbModule::setAmount (float value)
{
    const float a = clamp01 (value);
    if (designValid && a == designedAmount)
        return;

    const float srf = static_cast<float> (sampleRate);

    brightness = 0.72f - 0.27000004f * a;

    const float corner = clampValue (std::pow (0.35f, a) * 4000.0f, 1.0f, 0.45f * srf);
    const float coefficient = 1.0f - std::exp (-twoPi * corner / srf);
    for (auto& filter : damping)
        filter.coefficient = coefficient;

    designedAmount = a;
    designValid = true;
}

float ReverbModule::preDelay (int channel, float x)
{
    auto& line = preDelays[channel];
    line[static_cast<size_t> (preDelayWriteIndex)] = x;
    return line[static_cast<size_t> ((preDelayWriteIndex - preDelayLength) & preDelayMask)];
}

float ReverbModule::diffuse (int channel, float x)
{
    for (int k = 0; k < numDiffuserStages; ++k)
        x = processAllpass (diffusers[channel][k].data(), diffuserLengths[channel][k], diffuserIndices[channel][k],
                            diffuserGains[k], x);
    return x;
}

// The lines run four at a time, one per lane.
void ReverbModule::readModulatedTaps (float* taps, float phaseStep, float depth)
{
    for (int first = 0; first < numLines; first += Lanes::width)
    {
        auto phases = Lanes::load (lfoPhases + first) + phaseStep * Lanes::load (lfoRates + first);
        phases = Lanes::selectLess (twoPi, phases, phases - twoPi, phases); // wrapped above 2 pi
        phases.store (lfoPhases + first);
    }

    // The sines in one run of library calls, with nothing else waiting in registers.
    alignas (16) float sines[numLines];
    for (int L = 0; L < numLines; ++L)
        sines[L] = std::sin (lfoPhases[L]);

    for (int first = 0; first < numLines; first += Lanes::width)
    {
        // Never closer than 8 samples to the write position.
        const auto delays = maxLanes (8.0f, Lanes::load (sines + first) * depth
                                                + Lanes::load (lineLengthsAsFloat + first));
        const auto writePositions = Lanes::generate ([&] (int i)
                                                     { return static_cast<float> (lineWriteIndices[first + i]); });
        readHermiteLanes (lineData + first, lineMasks + first, writePositions - delays).store (taps + first);
    }
}

void ReverbModule::runLoopFilters (float* taps)
{
    for (int first = 0; first < numLines; first += Lanes::width)
    {
        // Damping keeps `brightness` of the band above the lowpass.
        const auto x = Lanes::load (taps + first);
        auto lowpass = Lanes::generate ([&] (int i) { return damping[first + i].state; });
        const auto coefficients = Lanes::generate ([&] (int i) { return damping[first + i].coefficient; });
        lowpass = (x - lowpass) * coefficients + lowpass;
        const auto damped = (x - lowpass) * brightness + lowpass;

        // The loop allpass (gain 0.6), then the decay gain.
        const auto delayed = Lanes::generate ([&] (int i)
                                              { return loopAllpasses[first + i][static_cast<size_t> (loopAllpassIndices[first + i])]; });
        const auto v = damped - 0.6f * delayed;
        for (int i = 0; i < Lanes::width; ++i)
        {
            const int L = first + i;
            damping[L].state = lowpass[i];
            loopAllpasses[L][static_cast<size_t> (loopAllpassIndices[L])] = v[i];
            if (++loopAllpassIndices[L] >= loopAllpassLengths[L])
                loopAllpassIndices[L] = 0;
        }
        ((0.6f * v + delayed) * Lanes::load (lineGains + first)).store (taps + first);
    }
}

void ReverbModule::mixHadamard (float* taps)
{
    // In-place fast Walsh-Hadamard transform in natural order, scaled to stay orthonormal: at
    // stage h every pair (j, j + h) becomes (a + b, a − b). Four rows of four lines; stages 1 and
    // 2 pair lanes within a row, stages 4 and 8 pair whole rows. a − b is computed as a + (−1)·b,
    // which is the same number.
    Lanes rows[4];
    for (int r = 0; r < 4; ++r)
        rows[r] = Lanes::load (taps + 4 * r);

    const auto pairLanes = [] (const Lanes& row, int h)
    {
        const auto first = Lanes::generate ([&] (int i) { return row[i & ~h]; });
        const auto second = Lanes::generate ([&] (int i) { return row[i | h]; });
        const auto signs = Lanes::generate ([&] (int i) { return (i & h) != 0 ? -1.0f : 1.0f; });
        return first + second * signs;
    };
    for (int h = 1; h <= 2; h *= 2)
        for (auto& row : rows)
            row = pairLanes (row, h);

    for (int h = 1; h <= 2; h *= 2)
    {
        for (int r = 0; r < 4; ++r)
        {
            if ((r & h) != 0)
                continue;
            const auto a = rows[r], b = rows[r + h];
            rows[r] = a + b;
            rows[r + h] = a - b;
        }
    }

    for (int r = 0; r < 4; ++r)
        (rows[r] * 0.25f).store (taps + 4 * r);
}

void ReverbModule::writeLines (const float* taps, float left, float right)
{
    for (int L = 0; L < numLines; ++L)
    {
        const float input = (L % 2 == 0) ? left : right;
        lines[L][static_cast<size_t> (lineWriteIndices[L])] = (input * injectionSigns[L]) * 0.4f + taps[L];
        lineWriteIndices[L] = (lineWriteIndices[L] + 1) & lineMasks[L];
    }
}

void ReverbModule::process (juce::AudioBuffer<float>& buffer, int numChannels)
{
    if (const auto block = blockToProcess (isPrepared(), buffer, numChannels))
        processChannels (block->channels, block->numChannels, block->numSamples);
}

void ReverbModule::processChannels (float* const* channels, int numChannels, int numSamples)
{
    const float phaseStep = twoPi / static_cast<float> (sampleRate);
    const float depth = 20.0f * static_cast<float> (sampleRate / 44100.0);

    for (int i = 0; i < numSamples; ++i)
    {
        const float s = send.getNextValue();

        float dry[2] = { 0.0f, 0.0f };
        for (int ch = 0; ch < numChannels; ++ch)
            dry[ch] = channels[ch][i];
        float wet[2] = { dry[0], dry[1] };

        const float pL = preDelay (0, wet[0]);
        const float pR = preDelay (1, numChannels > 1 ? wet[1] : wet[0]);
        preDelayWriteIndex = (preDelayWriteIndex + 1) & preDelayMask;

        const float dL = diffuse (0, pL);
        const float dR = numChannels > 1 ? diffuse (1, pR) : dL;

        float taps[numLines];
        readModulatedTaps (taps, phaseStep, depth);

        const float oL = 0.25f * (taps[0] - taps[2] + taps[4] - taps[6] + taps[8] - taps[10] + taps[12] - taps[14]);
        const float oR = 0.25f * (taps[1] - taps[3] + taps[5] - taps[7] + taps[9] - taps[11] + taps[13] - taps[15]);

        runLoopFilters (taps);
        mixHadamard (taps);
        writeLines (taps, dL, dR);

        wet[0] = dcBlockers[0].processSample (0.6f * dL + oL);
        if (numChannels > 1)
            wet[1] = dcBlockers[1].processSample (0.6f * dR + oR);

        for (int ch = 0; ch < numChannels; ++ch)
            channels[ch][i] = (1.0f - 0.405f * s * s) * dry[ch] + 1.25f * s * wet[ch];
    }
}
