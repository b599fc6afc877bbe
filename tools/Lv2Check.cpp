// tarngloam-lv2-check: loads TARNGLOAM from the LV2 folders given (as LV2_PATH, or ~/.lv2) the way
// an LV2 host does, through lilv, and prints what the host sees: the plug-in, its ports and
// parameters, its latency, and the level of a short test tone before and after processing.
//
// Usage: tarngloam-lv2-check [LV2_FOLDER[:LV2_FOLDER...]]

#include "hosts/Lv2Host.h"
#include "plugin/ParameterTable.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <string>

namespace
{
constexpr const char* pluginUri = TARNGLOAM_LV2_URI;

float rms (const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples)
        sum += static_cast<double> (s) * s;
    return static_cast<float> (std::sqrt (sum / static_cast<double> (samples.size())));
}

std::string defaultPath()
{
    if (const char* path = std::getenv ("LV2_PATH"))
        return path;
    const char* home = std::getenv ("HOME");
    return std::string (home != nullptr ? home : "") + "/.lv2";
}
} // namespace

int main (int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : defaultPath();
    hosts::Lv2World world (path);
    const LilvPlugin* plugin = world.findPlugin (pluginUri);
    if (plugin == nullptr)
    {
        std::cerr << "tarngloam-lv2-check: no " << pluginUri << " in " << path << std::endl;
        return 1;
    }

    hosts::Lv2Instance instance (world, plugin, 48000.0, 512);
    if (instance.instance() == nullptr)
    {
        std::cerr << "tarngloam-lv2-check: the plug-in could not be instantiated" << std::endl;
        return 1;
    }

    // Two seconds of a 220 Hz sine at half scale on both channels, as the VST3 check plays.
    hosts::Audio tone;
    tone.sampleRate = 48000.0;
    tone.channels.assign (2, std::vector<float> (96000));
    for (auto& channel : tone.channels)
        for (size_t i = 0; i < channel.size(); ++i)
            channel[i] = static_cast<float> (0.5 * std::sin (2.0 * 3.141592653589793 * 220.0 * static_cast<double> (i) / tone.sampleRate));
    const auto output = instance.process (tone, 512);

    LilvNode* name = lilv_plugin_get_name (plugin);
    std::cout << "Loaded " << pluginUri << " as an LV2 host would (lilv)\n"
              << "  name               : " << lilv_node_as_string (name) << "\n"
              << "  bundle             : " << lilv_node_as_uri (lilv_plugin_get_bundle_uri (plugin)) << "\n"
              << "  audio ports        : " << instance.numAudioInputs() << " in, " << instance.numAudioOutputs()
              << " out\n"
              << "  parameters         :\n";
    lilv_node_free (name);
    for (const auto& info : tarngloam::parameterTable)
    {
        const auto uri = std::string (pluginUri) + ":" + info.id;
        std::cout << "    " << info.name << std::string (8 - std::string (info.name).size(), ' ') << " : default "
                  << world.number (uri, LV2_CORE__default) << " %, " << world.number (uri, LV2_CORE__minimum) << " .. "
                  << world.number (uri, LV2_CORE__maximum) << " %\n";
    }
    const float in = rms (tone.channels[0]), out = rms (output.channels[0]);
    std::cout << "  latency            : " << instance.latency() << " samples\n"
              << "  220 Hz test tone   : RMS " << std::fixed << std::setprecision (3) << in << " in, " << out
              << " out at the default settings\n";

    if (instance.latency() != 52.0f || ! std::isfinite (out) || out <= 0.0f)
    {
        std::cerr << "tarngloam-lv2-check: the plug-in did not load or process as expected" << std::endl;
        return 1;
    }
    std::cout << "TARNGLOAM works in LV2 hosts." << std::endl;
    return 0;
}
