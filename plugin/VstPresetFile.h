#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// Factory presets as .vstpreset files, the format VST3 hosts list in their preset browsers.
// Written from the processor itself, so the presets build wherever the plug-in builds.
namespace tarngloam
{
// The state JUCE's VST3 wrapper reports to a host for this processor: the processor's own saved
// state, then the wrapper's private data (the bypass flag, off) behind its marker.
juce::MemoryBlock vst3ComponentState (juce::AudioProcessor& processor);

// A .vstpreset file in Steinberg's documented layout: "VST3", format version 1, the component's
// class ID as 32 hexadecimal digits, the offset of the chunk list; the component state as the
// "Comp" chunk and an empty controller state ("Cont"); then the chunk list ("List", the number of
// chunks, and each chunk's ID, offset and size). Integers are little-endian.
// `componentClassId` is the 32-digit form hosts show (as in the bundle's moduleinfo.json).
juce::MemoryBlock makeVstPreset (const juce::String& componentClassId, const juce::MemoryBlock& componentState);
} // namespace tarngloam
