// tarngloam-write-presets: writes the factory presets for both formats' preset browsers: a
// .vstpreset file each, holding what the plug-in reports to a VST3 host as its state once the four
// knobs are set (the class ID comes from the built bundle's moduleinfo.json, so the files name
// exactly the class hosts see), and lv2/presets.ttl with lv2/manifest-entries.ttl for the LV2 bundle.
//
// Usage: tarngloam-write-presets TARNGLOAM.vst3 OUTPUT_DIRECTORY

#include "plugin/FactoryPresets.h"
#include "plugin/Lv2PresetFile.h"
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

    juce::Array<tarngloam::Lv2Preset> lv2Presets;
    for (const auto& preset : tarngloam::factoryPresets)
    {
        TarnGloamAudioProcessor processor;
        tarngloam::driver::setAllPercent (processor, preset.percents);
        const auto file = folder->getChildFile (juce::String (preset.name) + ".vstpreset");
        const auto bytes = tarngloam::makeVstPreset (classId, tarngloam::vst3ComponentState (processor));
        if (! file.replaceWithData (bytes.getData(), bytes.getSize()))
            return fail ("cannot write " + file.getFullPathName());
        std::cout << "wrote " << file.getFullPathName() << "\n";

        tarngloam::Lv2Preset lv2Preset { preset.name, {} };
        processor.getStateInformation (lv2Preset.state);
        lv2Presets.add (lv2Preset);
    }

    const auto lv2 = tarngloam::makeLv2Presets (TARNGLOAM_LV2_URI, lv2Presets);
    const auto lv2Folder = folder->getChildFile ("lv2");
    if (! lv2Folder.createDirectory() || ! lv2Folder.getChildFile ("presets.ttl").replaceWithText (lv2.presetsTtl)
        || ! lv2Folder.getChildFile ("manifest-entries.ttl").replaceWithText (lv2.manifestEntries))
        return fail ("cannot write " + lv2Folder.getFullPathName());
    std::cout << "wrote " << lv2Folder.getFullPathName() << "/presets.ttl\n";
    return 0;
}
