// tarngloam-render: runs TARNGLOAM over an audio file, without a host.
//
// Usage: tarngloam-render INPUT OUTPUT [options]
//   --bleed P --fuzz P --grain P --age P   parameters in percent, 0..100 (defaults 50, 40, 20, 30)
//   --tempo BPM                            host tempo (default: none, so the plug-in's 120)
//   --block N                              block size in samples (default 512)
//   --stereo                               render a mono input to stereo
//   --no-trim                              keep the 52-sample latency at the start of the output
//   --no-tail                              stop when the input ends instead of adding the 0.6 s tail
// INPUT is WAV or AIFF, mono or stereo; OUTPUT is a 32-bit float WAV at the input's rate.

#include "plugin/Parameters.h"
#include "tools/OfflineRender.h"

#include <juce_events/juce_events.h>

#include <iostream>
#include <optional>

namespace
{
struct Options
{
    juce::File input, output;
    tarngloam::offline::RenderSettings settings;
};

[[noreturn]] void fail (const juce::String& message)
{
    std::cerr << "tarngloam-render: " << message << std::endl;
    std::exit (1);
}

// The same strict, locale-independent reading as a saved state's values.
double parseNumber (const juce::String& option, const juce::String& text)
{
    double value = 0.0;
    if (! tarngloam::parseFiniteNumber (text, value))
        fail (option + " needs a number, not '" + text + "'");
    return value;
}

// --bleed, --fuzz, --grain, --age: the parameter IDs in lower case.
std::optional<tarngloam::Parameter> knobOption (const juce::String& arg)
{
    for (const auto& info : tarngloam::parameterTable)
        if (arg == "--" + juce::String (info.id).toLowerCase())
            return info.parameter;
    return std::nullopt;
}

float parsePercent (const juce::String& option, const juce::String& text)
{
    const double value = parseNumber (option, text);
    if (value < 0.0 || value > 100.0)
        fail (option + " must be between 0 and 100, not " + text);
    return static_cast<float> (value);
}

Options parseArguments (const juce::StringArray& args)
{
    Options options;
    juce::StringArray positional;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto value = [&]() -> juce::String {
            if (i + 1 >= args.size())
                fail (arg + " needs a value");
            return args[++i];
        };

        if (const auto knob = knobOption (arg))
            options.settings.percents[tarngloam::indexOf (*knob)] = parsePercent (arg, value());
        else if (arg == "--tempo")
        {
            const double bpm = parseNumber (arg, value());
            if (bpm <= 0.0)
                fail ("--tempo must be above 0");
            options.settings.tempo = bpm;
        }
        else if (arg == "--block")
        {
            const double size = parseNumber (arg, value());
            if (size < 1.0 || size > 65536.0 || size != std::floor (size))
                fail ("--block must be a whole number from 1 to 65536");
            options.settings.blockSize = static_cast<int> (size);
        }
        else if (arg == "--stereo")  options.settings.monoToStereo = true;
        else if (arg == "--no-trim") options.settings.trimLatency = false;
        else if (arg == "--no-tail") options.settings.appendTail = false;
        else if (arg.startsWith ("--")) fail ("unknown option " + arg);
        else positional.add (arg);
    }

    if (positional.size() != 2)
        fail ("usage: tarngloam-render INPUT OUTPUT [--bleed P] [--fuzz P] [--grain P] [--age P] [--tempo BPM] "
              "[--block N] [--stereo] [--no-trim] [--no-tail]");

    const auto cwd = juce::File::getCurrentWorkingDirectory();
    options.input = cwd.getChildFile (positional[0]);
    options.output = cwd.getChildFile (positional[1]);
    return options;
}

bool sameFile (const juce::File& a, const juce::File& b)
{
    return a == b || a.getLinkedTarget() == b.getLinkedTarget()
           || (a.existsAsFile() && b.existsAsFile() && a.getFileIdentifier() == b.getFileIdentifier());
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));
    const auto options = parseArguments (args);

    if (sameFile (options.input, options.output))
        fail ("the output must not be the input file: " + options.output.getFullPathName());

    juce::String error;
    const auto source = tarngloam::offline::readAudioFile (options.input, error);
    if (! source)
        fail (error);

    // Long files show their progress.
    const bool showProgress = source->samples.getNumSamples() > source->sampleRate * 20.0;
    int lastPercent = -1;
    const auto progress = [&] (double fraction) {
        const int percent = static_cast<int> (fraction * 100.0);
        if (showProgress && percent / 10 != lastPercent / 10)
            std::cerr << "rendering " << percent << " %" << std::endl;
        lastPercent = percent;
    };

    const auto rendered = tarngloam::offline::render (source->samples, source->sampleRate, options.settings, progress);
    if (! rendered)
        fail ("the plug-in does not accept that channel layout");
    if (! tarngloam::offline::writeFloatWav (options.output, *rendered, source->sampleRate, error))
        fail (error);

    std::cout << "wrote " << options.output.getFullPathName() << ": " << rendered->getNumChannels() << " channel(s), "
              << rendered->getNumSamples() << " samples at " << source->sampleRate << " Hz" << std::endl;
    return 0;
}
