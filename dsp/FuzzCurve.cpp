#include "dsp/FuzzCurve.h"

#include "dsp/DspPrimitives.h"

#include <algorithm>
#include <cmath>

using namespace tarngloam;

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

    const HalfScaleSineCycle<256> referenceSine;
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
    const double sumIn = referenceSine.energy;
    double sumOut = 0.0;
    for (const float s : referenceSine.samples)
    {
        const float y = staticCurve (c, s);
        sumOut += static_cast<double> (y) * static_cast<double> (y);
    }

    const float limitGain = (1.0f - a * 0.14f) / std::max (peak, 0.0001f);
    const float ratio = static_cast<float> (std::sqrt (std::max (sumOut, 1e-20) / std::max (sumIn, 1e-20)));
    const float loudnessGain = 1.0f / std::max (ratio, 0.0001f);
    c.outputGain = std::min (limitGain, loudnessGain);
    return c;
}
