// tarngloam-write-presets: writes the factory presets as .vstpreset files, the VST3 preset format
// hosts list in their preset browsers. Each preset holds what the plug-in reports to a host as its
// state once the four knobs are set; the class ID comes from the built bundle's moduleinfo.json,
// so the files name exactly the class hosts see.
//
// Usage: tarngloam-write-presets TARNGLOAM.vst3 OUTPUT_DIRECTORY

#include "plugin/FactoryPresets.h"
#include "plugin/PluginProcessor.h"
#include "plugin/VstPresetFile.h"
#include "testbed/OutputDirectory.h"
#include "testbed/ProcessorDriver.h"

#include <iostream>

namespace
{
int fail (const juce::String& message)
{
    std::cerr << "tarngloam-write-presets: " << message << std::endl;
    return 1;
}

// The class ID of the bundle's audio effect, or "" when moduleinfo.json names none.
juce::String effectClassId (const juce::File& bundle)
{
    const auto info = juce::JSON::parse (bundle.getChildFile ("Contents/Resources/moduleinfo.json"));
    if (const auto* classes = info["Classes"].getArray())
        for (const auto& entry : *classes)
            if (entry["Category"].toString() == "Audio Module Class")
                return entry["CID"].toString();
    return {};
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
        return fail ("usage: tarngloam-write-presets TARNGLOAM.vst3 OUTPUT_DIRECTORY");

    const juce::ScopedJuceInitialiser_GUI juce;
    const auto bundle = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    const auto classId = effectClassId (bundle);
    if (classId.length() != 32)
        return fail ("no audio effect class in " + bundle.getFullPathName() + "/Contents/Resources/moduleinfo.json");

    const auto folder = tarngloam::createOutputDirectory ("tarngloam-write-presets", argv[2]);
    if (! folder)
        return 1;

    for (const auto& preset : tarngloam::factoryPresets)
    {
        TarnGloamAudioProcessor processor;
        tarngloam::driver::setAllPercent (processor, preset.percents);
        const auto file = folder->getChildFile (juce::String (preset.name) + ".vstpreset");
        const auto bytes = tarngloam::makeVstPreset (classId, tarngloam::vst3ComponentState (processor));
        if (! file.replaceWithData (bytes.getData(), bytes.getSize()))
            return fail ("cannot write " + file.getFullPathName());
        std::cout << "wrote " << file.getFullPathName() << "\n";
    }
    return 0;
}
