#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_events/juce_events.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

// Shared by the fuzz targets: JUCE set up once for the whole run, and a failed check that stops
// the run with a message (libFuzzer then saves the input that caused it).
namespace fuzzing
{
// Never shut down: libFuzzer leaves through exit(), where JUCE's own statics may already be gone.
inline void initialiseJuceOnce()
{
    static const auto* juce = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juce);
}

[[noreturn]] inline void fail (const char* what)
{
    std::fprintf (stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check (bool condition, const char* what)
{
    if (! condition)
        fail (what);
}

inline bool allFinite (const juce::AudioBuffer<float>& buffer, int numChannels)
{
    for (int ch = 0; ch < numChannels; ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! std::isfinite (buffer.getSample (ch, i)))
                return false;
    return true;
}
} // namespace fuzzing
