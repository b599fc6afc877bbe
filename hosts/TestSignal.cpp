#include "hosts/TestSignal.h"

#include <cmath>
#include <random>

namespace hosts
{
Audio makeTestSignal (int numChannels, int numSamples, double sampleRate, unsigned seed)
{
    constexpr double pi = 3.141592653589793;
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> noise (-0.05f, 0.05f);
    Audio audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign (static_cast<size_t> (numChannels), std::vector<float> (static_cast<size_t> (numSamples)));
    for (int ch = 0; ch < numChannels; ++ch)
        for (int i = 0; i < numSamples; ++i)
        {
            const double t = i / sampleRate;
            audio.channels[static_cast<size_t> (ch)][static_cast<size_t> (i)] =
                static_cast<float> (0.45 * std::sin (2.0 * pi * (196.0 + 3.0 * ch) * t)
                                    + 0.25 * std::sin (2.0 * pi * 1318.5 * t))
                + noise (random);
        }
    return audio;
}
} // namespace hosts
