#pragma once

#include "dsp/SimdLanes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

// Small signal-processing pieces shared by the effect modules. All arithmetic is single precision
// and evaluated in the order written, so the plug-in renders identically on every machine.
namespace tarngloam
{
inline constexpr float twoPi = 6.2831855f;
inline constexpr float pi = 3.1415927f;

// lo below lo; otherwise the smaller of hi and x (so NaN maps to hi).
inline float clampValue (float x, float lo, float hi) { return x < lo ? lo : (x < hi ? x : hi); }
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

inline namespace TARNGLOAM_LANES_NAMESPACE
{
// The four points around indices[i] + fractions[i] in each lane's power-of-two buffer (masks are
// the lengths minus one), and the curve through them, as readHermite computes it. A lane's four
// points lie side by side unless they wrap: one load each, then the four-by-four block is turned
// so that each point sits in one vector. Inline, so that consecutive reads overlap.
TARNGLOAM_ALWAYS_INLINE Lanes hermiteFromIndices (const float* const* buffers, const int* masks, const int* indices,
                                 const Lanes& fractions)
{
    Lanes around[Lanes::width];
    for (int i = 0; i < Lanes::width; ++i)
    {
        const int first = (indices[i] - 1) & masks[i];
        if (first <= masks[i] - 3)
            around[i] = Lanes::load (buffers[i] + first);
        else
            around[i] = Lanes::generate ([&] (int k) { return buffers[i][(first + k) & masks[i]]; });
    }
    const auto point = [&] (int k) { return Lanes::generate ([&] (int i) { return around[i][k]; }); };
    return hermiteLanes (point (0), point (1), point (2), point (3), fractions);
}

// Four reads at once, lane i exactly as readHermite (buffers[i], masks[i] + 1, floor (p),
// p - floor (p)) reads it for p = positions[i].
TARNGLOAM_ALWAYS_INLINE Lanes readHermiteLanes (const float* const* buffers, const int* masks, const Lanes& positions)
{
    const auto wholes = Lanes::generate ([&] (int i) { return std::floor (positions[i]); });
    int indices[Lanes::width];
    for (int i = 0; i < Lanes::width; ++i)
        indices[i] = static_cast<int> (wholes[i]);
    return hermiteFromIndices (buffers, masks, indices, positions - wholes);
}

// Four reads at once, lane i exactly as readBehind (buffers[i], masks[i] + 1, writeIndex, delays[i]).
TARNGLOAM_ALWAYS_INLINE Lanes readBehindLanes (const float* const* buffers, const int* masks, int writeIndex, const Lanes& delays)
{
    int indices[Lanes::width];
    float fractions[Lanes::width];
    for (int i = 0; i < Lanes::width; ++i)
    {
        // As readBehind: below two samples the read settles on the sample two positions back.
        const float delay = delays[i];
        if (delay < 2.0f)
        {
            indices[i] = writeIndex - 3;
            fractions[i] = 1.0f;
            continue;
        }
        const float d = std::min (delay, static_cast<float> (masks[i] + 1) - 4.0f);
        const int whole = static_cast<int> (d);
        indices[i] = writeIndex - whole - 1;
        fractions[i] = 1.0f - (d - static_cast<float> (whole));
    }
    return hermiteFromIndices (buffers, masks, indices, Lanes::generate ([&] (int i) { return fractions[i]; }));
}

// A feed-forward filter over a run of samples: output[i] = start[i] + taps[0]·newest[i] +
// taps[1]·newest[i − 1] + … + taps[numTaps − 1]·newest[i − numTaps + 1], added in that order.
// Four outputs run side by side, one per lane, and three groups of four at once keep the adder
// busy; newest[−numTaps + 1] must be readable.
inline void firSums (const float* taps, int numTaps, const float* newest, const float* start, float* output, int count)
{
    constexpr int width = Lanes::width;
    int i = 0;
    for (; i + 3 * width <= count; i += 3 * width)
    {
        auto a = Lanes::load (start + i);
        auto b = Lanes::load (start + i + width);
        auto c = Lanes::load (start + i + 2 * width);
        for (int j = 0; j < numTaps; ++j)
        {
            const Lanes tap = taps[j];
            a = a + tap * Lanes::load (newest + i - j);
            b = b + tap * Lanes::load (newest + i + width - j);
            c = c + tap * Lanes::load (newest + i + 2 * width - j);
        }
        a.store (output + i);
        b.store (output + i + width);
        c.store (output + i + 2 * width);
    }
    for (; i + width <= count; i += width)
    {
        auto a = Lanes::load (start + i);
        for (int j = 0; j < numTaps; ++j)
            a = a + taps[j] * Lanes::load (newest + i - j);
        a.store (output + i);
    }
    for (; i < count; ++i)
    {
        float sum = start[i];
        for (int j = 0; j < numTaps; ++j)
            sum += taps[j] * newest[i - j];
        output[i] = sum;
    }
}
} // namespace TARNGLOAM_LANES_NAMESPACE

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

// Each recursive filter's step, written once for one sample (float) and for four filters side by
// side (Lanes, see FilterLanes below).
template <typename Sample>
Sample svfLowpassStep (const Sample& x, const Sample& g, const Sample& k, const Sample& a1, Sample& s1, Sample& s2)
{
    const Sample m1 = ((x - (g + k) * s1 - s2) * a1) * g;
    const Sample bp = m1 + s1;
    s1 = bp + m1;
    const Sample m2 = bp * g;
    const Sample lp = m2 + s2;
    s2 = lp + m2;
    return lp;
}

template <typename Sample>
Sample dcBlockerStep (const Sample& x, const Sample& R, Sample& x1, Sample& y1)
{
    const Sample y = R * y1 + (x - x1);
    x1 = x;
    y1 = y;
    return y;
}

template <typename Sample>
Sample onePoleStep (const Sample& x, const Sample& coefficient, Sample& state)
{
    state = (x - state) * coefficient + state;
    return state;
}

// Topology-preserving state-variable filter, used for its lowpass output.
struct SvfLowpass
{
    double sampleRate = 44100.0;
    float g = 0.1f;
    float k = 1.4f;
    float a1 = 1.0f;
    float s1 = 0.0f, s2 = 0.0f; // the two integrators' states

    void prepare (double newSampleRate);
    void setParameters (float cutoffHz, float q);
    void reset() { s1 = s2 = 0.0f; }

    float processSample (float x) { return svfLowpassStep (x, g, k, a1, s1, s2); }
};

// First-order DC-blocking high-pass with its corner at 12 Hz.
struct DcBlocker
{
    float R = 0.999f;
    float x1 = 0.0f;
    float y1 = 0.0f;

    void prepare (double sampleRate);
    void reset() { x1 = y1 = 0.0f; }

    float processSample (float x) { return dcBlockerStep (x, R, x1, y1); }
};

// One-pole lowpass or smoother; a high-pass is the input minus the returned state.
struct OnePole
{
    float coefficient = 0.5f;
    float state = 0.0f;

    // Coefficient for a corner at cutoffHz, kept below 0.45 of the rate.
    static float coefficientFor (float cutoffHz, float rate);

    float processSample (float x) { return onePoleStep (x, coefficient, state); }
};

inline namespace TARNGLOAM_LANES_NAMESPACE
{
// Up to four filters of one kind run side by side, one per lane, so that the recursive chains of
// both channels overlap instead of waiting for each other. The states travel in vectors through a
// block and go back into the filters at its end; each lane computes exactly what the filter's
// own processSample computes.
template <typename Filter>
struct FilterLanes;

// One member of the first `count` filters, one per lane; the other lanes hold 0.
template <typename Filter>
Lanes gatherMember (Filter* const* filters, int count, float Filter::*member)
{
    float values[Lanes::width] {};
    for (int i = 0; i < count && i < Lanes::width; ++i)
        values[i] = filters[i]->*member;
    return Lanes::load (values);
}

// And back: lane i into the member of filter i, for the first `count` filters.
template <typename Filter>
void scatterMember (Filter* const* filters, int count, float Filter::*member, const Lanes& lanes)
{
    for (int i = 0; i < count; ++i)
        filters[i]->*member = lanes[i];
}

// Each specialisation gathers the filters' coefficients and states, runs the filter's own step on
// them, and writes the states back.
template <>
struct FilterLanes<SvfLowpass>
{
    Lanes g, k, a1, s1, s2;

    FilterLanes (SvfLowpass* const* filters, int count)
        : g (gatherMember (filters, count, &SvfLowpass::g)), k (gatherMember (filters, count, &SvfLowpass::k)),
          a1 (gatherMember (filters, count, &SvfLowpass::a1)), s1 (gatherMember (filters, count, &SvfLowpass::s1)),
          s2 (gatherMember (filters, count, &SvfLowpass::s2))
    {
    }

    void writeBack (SvfLowpass* const* filters, int count) const
    {
        scatterMember (filters, count, &SvfLowpass::s1, s1);
        scatterMember (filters, count, &SvfLowpass::s2, s2);
    }

    Lanes processSample (const Lanes& x) { return svfLowpassStep (x, g, k, a1, s1, s2); }
};

template <>
struct FilterLanes<DcBlocker>
{
    Lanes R, x1, y1;

    FilterLanes (DcBlocker* const* blockers, int count)
        : R (gatherMember (blockers, count, &DcBlocker::R)), x1 (gatherMember (blockers, count, &DcBlocker::x1)),
          y1 (gatherMember (blockers, count, &DcBlocker::y1))
    {
    }

    void writeBack (DcBlocker* const* blockers, int count) const
    {
        scatterMember (blockers, count, &DcBlocker::x1, x1);
        scatterMember (blockers, count, &DcBlocker::y1, y1);
    }

    Lanes processSample (const Lanes& x) { return dcBlockerStep (x, R, x1, y1); }
};

template <>
struct FilterLanes<OnePole>
{
    Lanes coefficient, state;

    FilterLanes (OnePole* const* filters, int count)
        : coefficient (gatherMember (filters, count, &OnePole::coefficient)),
          state (gatherMember (filters, count, &OnePole::state))
    {
    }

    void writeBack (OnePole* const* filters, int count) const { scatterMember (filters, count, &OnePole::state, state); }

    Lanes processSample (const Lanes& x) { return onePoleStep (x, coefficient, state); }
};
} // namespace TARNGLOAM_LANES_NAMESPACE

// One cycle of a half-scale sine in numPoints points, and its energy (the sum of the squares in
// double, in order): the loudness reference of the fuzz's and the age module's gain designs. It
// does not depend on any control, so each keeps one, made when the library loads.
template <std::size_t numPoints>
struct HalfScaleSineCycle
{
    float samples[numPoints] {};
    double energy = 0.0;

    HalfScaleSineCycle()
    {
        for (std::size_t j = 0; j < numPoints; ++j)
        {
            samples[j] = 0.5f * std::sin (static_cast<float> (j) * twoPi * (1.0f / static_cast<float> (numPoints)));
            energy += static_cast<double> (samples[j]) * static_cast<double> (samples[j]);
        }
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
