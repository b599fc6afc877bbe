#pragma once

#include <juce_core/juce_core.h>

// Factory presets as LV2 hosts find them: each a pset:Preset with its label and the plug-in's saved
// state, stored under the key JUCE's LV2 wrapper reads back (the plug-in URI plus ":StateString",
// the state in base64), in presets.ttl; and the entries that announce them in the bundle's
// manifest.ttl, which LV2 hosts read first.
namespace tarngloam
{
struct Lv2PresetFiles
{
    juce::String presetsTtl;      // the bundle's presets.ttl
    juce::String manifestEntries; // appended to the bundle's manifest.ttl
};

struct Lv2Preset
{
    juce::String label;
    juce::MemoryBlock state; // what getStateInformation writes
};

Lv2PresetFiles makeLv2Presets (const juce::String& pluginUri, const juce::Array<Lv2Preset>& presets);

// The URI of a preset: the plug-in URI, ":preset:" and the label in lower case with '-' for spaces.
juce::String lv2PresetUri (const juce::String& pluginUri, const juce::String& label);
} // namespace tarngloam
