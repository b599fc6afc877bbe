#include "plugin/Lv2PresetFile.h"

namespace tarngloam
{
namespace
{
    const char* const prefixes = "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                                 "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                                 "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                 "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n";

    // A Turtle string literal: labels are plain text, but quotes and backslashes must not end it.
    juce::String quoted (const juce::String& text)
    {
        return "\"" + text.replace ("\\", "\\\\").replace ("\"", "\\\"") + "\"";
    }
} // namespace

juce::String lv2PresetUri (const juce::String& pluginUri, const juce::String& label)
{
    return pluginUri + ":preset:" + label.toLowerCase().replaceCharacter (' ', '-');
}

Lv2PresetFiles makeLv2Presets (const juce::String& pluginUri, const juce::Array<Lv2Preset>& presets)
{
    Lv2PresetFiles files;
    files.presetsTtl = prefixes;
    files.manifestEntries = prefixes;
    for (const auto& preset : presets)
    {
        const auto uri = "<" + lv2PresetUri (pluginUri, preset.label) + ">";
        files.presetsTtl << "\n" << uri << "\n"
                         << "\ta pset:Preset ;\n"
                         << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                         << "\trdfs:label " << quoted (preset.label) << " ;\n"
                         << "\tstate:state [\n"
                         << "\t\t<" << pluginUri << ":StateString> " << quoted (preset.state.toBase64Encoding()) << "\n"
                         << "\t] .\n";
        files.manifestEntries << "\n" << uri << "\n"
                              << "\ta pset:Preset ;\n"
                              << "\tlv2:appliesTo <" << pluginUri << "> ;\n"
                              << "\trdfs:seeAlso <presets.ttl> .\n";
    }
    return files;
}
} // namespace tarngloam
