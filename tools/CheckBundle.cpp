// tarngloam-check: loads a TARNGLOAM.vst3 bundle through JUCE's VST3 hosting, as a DAW does,
// and prints what the host sees: the plug-in's identity, its parameters, its latency and tail,
// and the level of a short test tone before and after processing.
//
// Usage: tarngloam-check /path/to/TARNGLOAM.vst3

#include <juce_audio_processors/juce_audio_processors.h>

#include <iostream>

namespace
{
int fail (const juce::String& message)
{
    std::cerr << "tarngloam-check: " << message << std::endl;
    return 1;
}

float processTestTone (juce::AudioPluginInstance& instance, float& inputRms)
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    instance.setPlayConfigDetails (2, 2, sampleRate, blockSize);
    instance.prepareToPlay (sampleRate, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    double inSquares = 0.0, outSquares = 0.0;
    int phase = 0;
    for (int block = 0; block < 188; ++block) // two seconds
    {
        for (int i = 0; i < blockSize; ++i, ++phase)
        {
            const auto sample = static_cast<float> (0.5 * std::sin (2.0 * juce::MathConstants<double>::pi * 220.0
                                                                    * phase / sampleRate));
            buffer.setSample (0, i, sample);
            buffer.setSample (1, i, sample);
            inSquares += sample * sample;
        }
        instance.processBlock (buffer, midi);
        for (int i = 0; i < blockSize; ++i)
            outSquares += buffer.getSample (0, i) * buffer.getSample (0, i);
    }
    instance.releaseResources();
    inputRms = static_cast<float> (std::sqrt (inSquares / phase));
    return static_cast<float> (std::sqrt (outSquares / phase));
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
        return fail ("usage: tarngloam-check /path/to/TARNGLOAM.vst3");

    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const juce::File bundle = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! bundle.exists())
        return fail ("no such bundle: " + bundle.getFullPathName());

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, bundle.getFullPathName());
    if (types.isEmpty())
        return fail ("the host found no plug-in in " + bundle.getFullPathName());

    const auto& description = *types.getFirst();
    juce::String error;
    auto instance = format.createInstanceFromDescription (description, 48000.0, 512, error);
    if (instance == nullptr)
        return fail ("could not create an instance: " + error);

    std::cout << "Loaded " << bundle.getFullPathName() << " as a VST3 host would\n"
              << "  plug-ins in module : " << types.size() << "\n"
              << "  name               : " << description.name << "\n"
              << "  vendor             : " << description.manufacturerName << "\n"
              << "  version            : " << description.version << "\n"
              << "  category           : " << description.category << "\n"
              << "  instrument         : " << (description.isInstrument ? "yes" : "no") << "\n"
              << "  MIDI in / out      : " << (instance->acceptsMidi() ? "yes" : "no") << " / "
              << (instance->producesMidi() ? "yes" : "no") << "\n"
              << "  tail               : " << instance->getTailLengthSeconds() << " s\n"
              << "  parameters         :\n";

    for (auto* parameter : instance->getParameters())
        std::cout << "    " << parameter->getName (32).paddedRight (' ', 8) << " = "
                  << parameter->getCurrentValueAsText() << " " << parameter->getLabel() << "\n";

    float inputRms = 0.0f;
    const float outputRms = processTestTone (*instance, inputRms);
    std::cout << "  latency            : " << instance->getLatencySamples() << " samples\n"
              << "  220 Hz test tone   : RMS " << juce::String (inputRms, 3) << " in, "
              << juce::String (outputRms, 3) << " out at the default settings\n";

    if (description.name != "TARNGLOAM" || instance->getLatencySamples() != 52 || ! std::isfinite (outputRms)
        || outputRms <= 0.0f)
        return fail ("the plug-in did not load or process as expected");

    std::cout << "TARNGLOAM works." << std::endl;
    return 0;
}
