// vst3_state_exchange: saves and restores TARNGLOAM's state through the VST3 SDK's host classes,
// so that a state saved on one platform can be restored by the bundle built for another.
//
//   vst3_state_exchange save BUNDLE FILE BLEED FUZZ GRAIN AGE   sets the four knobs (percent),
//                                                              then writes the component's state
//   vst3_state_exchange load BUNDLE FILE                        restores it and prints the four
//                                                              values the controller then shows
#include "hosts/FloatWavFile.h"
#include "hosts/Vst3Host.h"
#include "plugin/ParameterTable.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{
namespace speakers = Steinberg::Vst::SpeakerArr;

std::unique_ptr<hosts::Vst3Instance> instantiate (const VST3::Hosting::Module::Ptr& module)
{
    for (const auto& info : module->getFactory().classInfos())
        if (info.category() == kVstAudioEffectClass)
        {
            auto instance = std::make_unique<hosts::Vst3Instance> (module, info.ID());
            if (instance->isValid() && instance->setBuses (speakers::kStereo, speakers::kStereo)
                && instance->prepare (48000.0, 64))
                return instance;
        }
    return nullptr;
}

int save (hosts::Vst3Instance& instance, const std::string& file, char** percents)
{
    hosts::ParameterChanges changes;
    for (const auto& info : tarngloam::parameterTable)
    {
        const auto percent = std::strtof (percents[tarngloam::indexOf (info.parameter)], nullptr);
        changes.add (instance.parameterId (info.name), 0, static_cast<double> (percent / tarngloam::maximumPercent));
    }
    hosts::Audio silence;
    silence.channels.assign (2, std::vector<float> (64, 0.0f));
    instance.processAll (silence, 64, &changes);

    const auto state = instance.saveState();
    std::ofstream out (file, std::ios::binary);
    out.write (state.data(), static_cast<std::streamsize> (state.size()));
    return (! state.empty() && out.good()) ? 0 : 1;
}

int load (hosts::Vst3Instance& instance, const std::string& file)
{
    std::ifstream in (file, std::ios::binary);
    const std::vector<char> state { std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>() };
    if (state.empty() || ! instance.restoreState (state))
        return 1;
    for (const auto& info : tarngloam::parameterTable)
        std::printf ("%s %.9g\n", info.id, instance.normalisedValue (instance.parameterId (info.name)));
    return 0;
}
} // namespace

int main (int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool saving = mode == "save" && argc == 8;
    if (! saving && ! (mode == "load" && argc == 4))
    {
        std::fprintf (stderr, "usage: vst3_state_exchange save BUNDLE FILE BLEED FUZZ GRAIN AGE\n"
                              "       vst3_state_exchange load BUNDLE FILE\n");
        return 2;
    }

    std::string error;
    const auto module = VST3::Hosting::Module::create (argv[2], error);
    if (! module)
    {
        std::fprintf (stderr, "vst3_state_exchange: %s\n", error.c_str());
        return 1;
    }
    const auto instance = instantiate (module);
    if (instance == nullptr)
    {
        std::fprintf (stderr, "vst3_state_exchange: the bundle has no stereo audio effect\n");
        return 1;
    }
    return saving ? save (*instance, argv[3], argv + 4) : load (*instance, argv[3]);
}
