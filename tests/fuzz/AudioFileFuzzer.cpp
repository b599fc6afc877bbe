// Arbitrary bytes as an audio file, through the reading code tarngloam-render uses, and a short
// render when it opens. Checks: no crash, no hang, no allocation for what a header merely claims
// (libFuzzer's -malloc_limit_mb catches that), and a finite render.

#include "FuzzSupport.h"

#include "testbed/OfflineRender.h"

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzing::initialiseJuceOnce();

    juce::String error;
    auto audio = tarngloam::offline::readAudio (std::make_unique<juce::MemoryInputStream> (data, size, false),
                                                "fuzz input", error);
    if (! audio)
        return 0;

    // The first 256 frames are enough to run every stage once.
    auto& samples = audio->samples;
    samples.setSize (samples.getNumChannels(), juce::jmin (samples.getNumSamples(), 256), true, false, true);

    tarngloam::offline::RenderSettings settings;
    settings.blockSize = 128;
    settings.appendTail = false;
    const auto rendered = tarngloam::offline::render (samples, audio->sampleRate, settings);
    fuzzing::check (rendered.has_value(), "a mono or stereo file was refused");
    fuzzing::check (fuzzing::allFinite (*rendered, rendered->getNumChannels()), "render not finite");
    return 0;
}
