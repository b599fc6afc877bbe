// tarngloam-render: runs TARNGLOAM over an audio file, without a host. `--help` lists the options.

#include "plugin/FactoryPresets.h"
#include "plugin/FiniteNumberParser.h"
#include "testbed/OfflineRender.h"

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

void printUsage()
{
    juce::String knobs, defaults;
    for (const auto& info : tarngloam::parameterTable)
    {
        knobs << "  --" << juce::String (info.id).toLowerCase().paddedRight (' ', 8) << "P  " << info.name
              << " in percent, 0 to 100 (default " << juce::String (juce::roundToInt (info.defaultPercent)) << ")\n";
    }

    std::cout << "Usage: tarngloam-render INPUT OUTPUT [options]\n"
                 "Runs the TARNGLOAM effect over INPUT (WAV or AIFF, mono or stereo) and writes OUTPUT, a\n"
                 "32-bit float WAV at the input's sample rate. The input is never overwritten, and nothing is\n"
                 "left behind when rendering fails.\n\n"
                 "Options:\n"
              << knobs
              << "  --preset NAME   start from a factory preset (knob options given too override it)\n"
                 "  --list-presets  list the factory presets and exit\n"
                 "  --tempo BPM     host tempo for the grain lengths (default: none, as a host without\n"
                 "                  tempo: the plug-in's 120)\n"
                 "  --block N       block size in samples, 1 to 65536 (default 512)\n"
                 "  --stereo        render a mono input to stereo (default: as many channels as the input)\n"
                 "  --no-trim       keep the 52-sample latency at the start (default: trimmed, so the output\n"
                 "                  lines up with the input)\n"
                 "  --no-tail       stop where the input ends (default: 0.6 s of tail are added)\n"
                 "  --help          show this text and exit\n"
                 "  --version       show the version and exit\n";
}

void printPresets()
{
    for (const auto& preset : tarngloam::factoryPresets)
    {
        juce::String values;
        for (const auto& info : tarngloam::parameterTable)
            values << (juce::String (info.id) + " " + juce::String (preset.percents[tarngloam::indexOf (info.parameter)], 0)).paddedRight (' ', 11);
        std::cout << juce::String (preset.name).paddedRight (' ', 16) << values << "- " << preset.description << "\n";
    }
}

Options parseArguments (const juce::StringArray& args)
{
    Options options;
    juce::StringArray positional;
    const tarngloam::FactoryPreset* preset = nullptr;
    std::optional<float> knobs[tarngloam::numParameters];

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto value = [&]() -> juce::String {
            if (i + 1 >= args.size())
                fail (arg + " needs a value");
            return args[++i];
        };

        if (arg == "--help" || arg == "-h")
        {
            printUsage();
            std::exit (0);
        }
        else if (arg == "--version")
        {
            std::cout << "tarngloam-render " << TARNGLOAM_VERSION << " (TARNGLOAM by Vorla)" << std::endl;
            std::exit (0);
        }
        else if (arg == "--list-presets")
        {
            printPresets();
            std::exit (0);
        }
        else if (const auto knob = knobOption (arg))
            knobs[tarngloam::indexOf (*knob)] = parsePercent (arg, value());
        else if (arg == "--preset")
        {
            const auto name = value();
            preset = tarngloam::findFactoryPreset (name.toRawUTF8());
            if (preset == nullptr)
                fail ("no factory preset named '" + name + "' (--list-presets lists them)");
        }
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
        else if (arg.startsWith ("-") && arg.length() > 1)
            fail ("unknown option " + arg + " (tarngloam-render --help lists the options)");
        else positional.add (arg);
    }

    if (positional.size() != 2)
        fail ("expected an INPUT and an OUTPUT file (tarngloam-render --help shows the usage)");

    // The preset first, then any knob given explicitly.
    if (preset != nullptr)
        options.settings.percents = preset->percents;
    for (size_t k = 0; k < tarngloam::numParameters; ++k)
        if (knobs[k])
            options.settings.percents[k] = *knobs[k];

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
