#pragma once

#include "plugin/ParameterTable.h"

#include <array>
#include <cstring>

// The factory presets: each one nothing but four knob settings, the plug-in's saved state. The
// build writes them as .vstpreset files for hosts' preset browsers, and tarngloam-render --preset
// reads the same table.
namespace tarngloam
{
struct FactoryPreset
{
    const char* name;        // as hosts list it, and as --preset takes it
    const char* description; // one line for --list-presets
    ParameterValues percents; // BLEED, FUZZ, GRAIN, AGE
};

inline constexpr std::array<FactoryPreset, 10> factoryPresets { {
    { "Default", "the plug-in as it opens: a little of everything", { 50.0f, 40.0f, 20.0f, 30.0f } },
    { "Gentle Tape", "slow wow and a soft tape edge, nothing else", { 0.0f, 0.0f, 0.0f, 35.0f } },
    { "Worn Cassette", "heavy wow and flutter, dark top, a hint of grit", { 10.0f, 8.0f, 0.0f, 85.0f } },
    { "Wide Chorus", "three drifting chorus voices around the dry signal", { 20.0f, 0.0f, 0.0f, 15.0f } },
    { "Octave Shimmer", "octave up and down with an open reverb", { 90.0f, 0.0f, 10.0f, 10.0f } },
    { "Sub Bloom", "the octave below swells under a warm drive", { 62.0f, 25.0f, 0.0f, 40.0f } },
    { "Fuzz Box", "a hard, biased fuzz with a tight low end", { 0.0f, 80.0f, 0.0f, 10.0f } },
    { "Grain Cloud", "short tempo-locked grains, half of them an octave up, blur every note", { 0.0f, 0.0f, 85.0f, 15.0f } },
    { "Broken Radio", "fuzz, grains and a failing tape at once", { 20.0f, 60.0f, 35.0f, 95.0f } },
    { "Haunted Hall", "every voice, grains and the reverb at its widest, dark and wobbling", { 100.0f, 15.0f, 45.0f, 70.0f } },
} };

// The preset of that name (compared exactly), or nullptr.
inline const FactoryPreset* findFactoryPreset (const char* name)
{
    for (const auto& preset : factoryPresets)
        if (std::strcmp (preset.name, name) == 0)
            return &preset;
    return nullptr;
}
} // namespace tarngloam
