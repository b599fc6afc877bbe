#pragma once

#include "dsp/SimdLanes.h"

#include <cmath>

// Small signal-processing pieces shared by the effect modules. All arithmetic is single precision
// and evaluated in the order written, so the plug-in renders identically on every machine.
namespace tarngloam
{
inline constexpr float twoPi = 6.2831855f;
inline constexpr float pi = 3.1415927f;

// lo below lo; otherwise the smaller of hi and x (so NaN maps to hi).
inline float clampValue (float x, float lo, float hi) { return x < lo ? lo : (hi < x ? hi : x); }
inline float clamp01 (float x) { return clampValue (x, 0.0f, 1.0f); }

// Index modulo length, for indices that may be negative.
inline int wrapIndex (int index, int length)
{
    const int r = index % length;
    return r < 0 ? r + length : r;
}

// Smallest power of two >= value (value >= 1).
int nextPowerOfTwo (int value);

// Nearest integer, halves away from zero.
inline int roundToNearest (double value) { return static_cast<int> (std::round (value)); }

// 4-point, third-order Hermite (Catmull-Rom) read between buffer[index] and buffer[index + 1].
float readHermite (const float* buffer, int length, int index, float fraction);

// Reads a circular buffer `delay` samples behind the sample just written at `writeIndex`.
float readBehind (const float* buffer, int length, int writeIndex, float delay);

// Four reads at once from power-of-two circular buffers (masks are their lengths minus one), each
// lane exactly as the scalar functions above read it:
// lane i of readHermiteLanes is readHermite (buffers[i], masks[i] + 1, floor (p), p - floor (p))
// for p = positions[i]; lane i of readBehindLanes is readBehind (buffers[i], masks[i] + 1,
// writeIndex, delays[i]).
Lanes readHermiteLanes (const float* const* buffers, const int* masks, const Lanes& positions);
Lanes readBehindLanes (const float* const* buffers, const int* masks, int writeIndex, const Lanes& delays);

// Soft-knee limiter: x itself up to the threshold, then a tanh knee towards threshold + width.
// Most samples stay below the knee, so that test is inline and only the knee is a call.
float softClipKnee (float x, float magnitude, float threshold, float width);
inline float softClip (float x, float threshold, float width)
{
    const float magnitude = std::fabs (x);
    if (threshold >= magnitude)
        return x;
    return softClipKnee (x, magnitude, threshold, width);
}

// Topology-preserving state-variable filter, used for its lowpass output.
struct SvfLowpass
{
    double sampleRate = 44100.0;
    float g = 0.1f;
    float k = 1.4f;
    float a1 = 1.0f;
    float s1 = 0.0f;
    float s2 = 0.0f;

    void prepare (double newSampleRate);
    void setParameters (float cutoffHz, float q);
    void reset() { s1 = s2 = 0.0f; }

    float processSample (float x)
    {
        const float m1 = ((x - (g + k) * s1 - s2) * a1) * g;
        const float bp = m1 + s1;
        s1 = bp + m1;
        const float m2 = bp * g;
        const float lp = m2 + s2;
        s2 = lp + m2;
        return lp;
    }
};

// First-order DC-blocking high-pass with its corner at 12 Hz.
struct DcBlocker
{
    float R = 0.999f;
    float x1 = 0.0f;
    float y1 = 0.0f;

    void prepare (double sampleRate);
    void reset() { x1 = y1 = 0.0f; }

    float processSample (float x)
    {
        const float y = R * y1 + (x - x1);
        x1 = x;
        y1 = y;
        return y;
    }
};

// One-pole lowpass or smoother; a high-pass is the input minus the returned state.
struct OnePole
{
    float coefficient = 0.5f;
    float state = 0.0f;

    // Coefficient for a corner at cutoffHz, kept below 0.45 of the rate.
    static float coefficientFor (float cutoffHz, float rate);

    float processSample (float x)
    {
        state = (x - state) * coefficient + state;
        return state;
    }
};

// Allpass section shared by the reverb's diffusers and loop allpasses.
inline float processAllpass (float* buffer, int length, int& position, float gain, float x)
{
    const float delayed = buffer[position];
    const float v = x - gain * delayed;
    buffer[position] = v;
    if (++position >= length)
        position = 0;
    return gain * v + delayed;
}
} // namespace tarngloam
