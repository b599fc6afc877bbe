#include "plugin/VstPresetFile.h"

namespace tarngloam
{
juce::MemoryBlock vst3ComponentState (juce::AudioProcessor& processor)
{
    juce::MemoryBlock state;
    processor.getStateInformation (state);

    // As JUCE's wrapper appends it: a zero word, the private data tree, its size and the marker.
    static constexpr const char* privateDataMarker = "JUCEPrivateData";
    juce::MemoryOutputStream trailer;
    trailer.writeInt64 (0);
    juce::ValueTree privateData (privateDataMarker);
    privateData.setProperty ("Bypass", false, nullptr);
    privateData.writeToStream (trailer);
    trailer.writeInt64 (static_cast<juce::int64> (trailer.getDataSize() - sizeof (juce::int64)));
    trailer << privateDataMarker;

    state.append (trailer.getData(), trailer.getDataSize());
    return state;
}

juce::MemoryBlock makeVstPreset (const juce::String& componentClassId, const juce::MemoryBlock& componentState)
{
    constexpr juce::int64 headerSize = 4 + 4 + 32 + 8;
    const auto stateSize = static_cast<juce::int64> (componentState.getSize());

    juce::MemoryOutputStream file;
    file.write ("VST3", 4);
    file.writeInt (1);
    jassert (componentClassId.length() == 32);
    file.write (componentClassId.toRawUTF8(), 32);
    file.writeInt64 (headerSize + stateSize);

    file.write (componentState.getData(), componentState.getSize());

    file.write ("List", 4);
    file.writeInt (2);
    file.write ("Comp", 4);
    file.writeInt64 (headerSize);
    file.writeInt64 (stateSize);
    file.write ("Cont", 4);
    file.writeInt64 (headerSize + stateSize);
    file.writeInt64 (0);
    return file.getMemoryBlock();
}
} // namespace tarngloam
