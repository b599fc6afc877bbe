#include "dsp/DspPrimitives.h"

#include <algorithm>

namespace tarngloam
{
int nextPowerOfTwo (int value)
{
    unsigned int v = static_cast<unsigned int> (value) - 1u;
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    return static_cast<int> (v + 1u);
}

float readHermite (const float* buffer, int length, int index, float fraction)
{
    float ym1, y0, y1, y2;
    if ((length & (length - 1)) == 0)
    {
        // Delay lines are powers of two: a mask wraps negative indices exactly as the remainder does.
        const int mask = length - 1;
        ym1 = buffer[(index - 1) & mask];
        y0 = buffer[index & mask];
        y1 = buffer[(index + 1) & mask];
        y2 = buffer[(index + 2) & mask];
    }
    else
    {
        ym1 = buffer[wrapIndex (index - 1, length)];
        y0 = buffer[wrapIndex (index, length)];
        y1 = buffer[wrapIndex (index + 1, length)];
        y2 = buffer[wrapIndex (index + 2, length)];
    }
    const float t = fraction;

    const float c3 = ((y0 * 1.5f - ym1 * 0.5f) - y1 * 1.5f) + y2 * 0.5f;
    const float c2 = ((ym1 - y0 * 2.5f) + (y1 + y1)) - y2 * 0.5f;
    const float c1 = y1 * 0.5f - ym1 * 0.5f;
    return ((c3 * t + c2) * t + c1) * t + y0;
}

float readBehind (const float* buffer, int length, int writeIndex, float delay)
{
    // Below two samples the read settles on the sample two positions back.
    if (delay < 2.0f)
        return readHermite (buffer, length, writeIndex - 3, 1.0f);

    const float d = std::min (delay, static_cast<float> (length) - 4.0f);
    const int whole = static_cast<int> (d);
    return readHermite (buffer, length, writeIndex - whole - 1, 1.0f - (d - static_cast<float> (whole)));
}

float softClipKnee (float x, float magnitude, float threshold, float width)
{
    const float sign = x < 0.0f ? -1.0f : 1.0f;
    return sign * (std::tanh ((magnitude - threshold) / width) * width + threshold);
}

void SvfLowpass::prepare (double newSampleRate)
{
    sampleRate = newSampleRate;
    setParameters (20000.0f, 0.707f);
    reset();
}

void SvfLowpass::setParameters (float cutoffHz, float q)
{
    const float fs = static_cast<float> (sampleRate);
    const float f = cutoffHz < 10.0f ? 10.0f : std::min (fs * 0.5f * 0.95f, cutoffHz);
    g = std::tan (f * pi / fs);
    k = 1.0f / std::max (q, 0.05f);
    a1 = 1.0f / ((k * g + 1.0f) + g * g);
}

void DcBlocker::prepare (double sampleRate)
{
    R = 1.0f - 75.398224f / static_cast<float> (sampleRate);
    reset();
}

float OnePole::coefficientFor (float cutoffHz, float rate)
{
    return 1.0f - std::exp (std::min (rate * 0.45f, cutoffHz) * (-twoPi) / rate);
}
} // namespace tarngloam
