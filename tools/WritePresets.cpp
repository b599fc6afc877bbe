// tarngloam-write-presets: writes the factory presets as .vstpreset files, the VST3 preset format
// hosts list in their preset browsers. Each preset is made the way a host makes one: the built
// bundle is loaded (through the VST3 SDK's hosting classes), the four parameters are set with one
// processed block, and the plug-in's own saved state goes into the file with the SDK's preset writer.
//
// Usage: tarngloam-write-presets TARNGLOAM.vst3 OUTPUT_DIRECTORY

#include "hosts/Vst3Host.h"
#include "plugin/FactoryPresets.h"

#include "public.sdk/source/vst/vstpresetfile.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <filesystem>
#include <iostream>

namespace
{
int fail (const std::string& message)
{
    std::cerr << "tarngloam-write-presets: " << message << std::endl;
    return 1;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
        return fail ("usage: tarngloam-write-presets TARNGLOAM.vst3 OUTPUT_DIRECTORY");

    std::string error;
    auto module = VST3::Hosting::Module::create (std::filesystem::canonical (argv[1]).string(), error);
    if (! module)
        return fail ("cannot load " + std::string (argv[1]) + ": " + error);

    VST3::UID effectClass;
    bool found = false;
    for (const auto& info : module->getFactory().classInfos())
        if (info.category() == kVstAudioEffectClass)
        {
            effectClass = info.ID();
            found = true;
        }
    if (! found)
        return fail ("no audio effect in the module");

    const std::filesystem::path folder (argv[2]);
    std::filesystem::create_directories (folder);

    for (const auto& preset : tarngloam::factoryPresets)
    {
        hosts::Vst3Instance instance (module, effectClass);
        if (! instance.isValid() || ! instance.setBuses (Steinberg::Vst::SpeakerArr::kStereo, Steinberg::Vst::SpeakerArr::kStereo)
            || ! instance.prepare (48000.0, 64))
            return fail ("cannot instantiate the plug-in");

        hosts::ParameterChanges changes;
        for (const auto& info : tarngloam::parameterTable)
            changes.add (instance.parameterId (info.name), 0,
                         static_cast<double> (preset.percents[tarngloam::indexOf (info.parameter)] / tarngloam::maximumPercent));
        instance.processAll (hosts::makeTestSignal (2, 64, 48000.0, 1), 64, &changes);


        const auto path = folder / (std::string (preset.name) + ".vstpreset");
        Steinberg::IBStream* stream = Steinberg::Vst::FileStream::open (path.string().c_str(), "wb");
        if (stream == nullptr)
            return fail ("cannot write " + path.string());
        const bool written = Steinberg::Vst::PresetFile::savePreset (stream, Steinberg::FUID::fromTUID (effectClass.data()),
                                                                     instance.component, instance.controller);
        stream->release();
        if (! written)
            return fail ("cannot write " + path.string());
        std::cout << "wrote " << path.string() << "\n";
    }
    return 0;
}
