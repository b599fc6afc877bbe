// Arbitrary bytes as a saved state, as a host hands back whatever a project file holds.
//
// Checks: every parameter finite and within 0..100; the blob applied whole or ignored whole (two
// instances that held different values before both either keep their own values, or agree, for
// every parameter, so nothing depends on what else was in memory); a block processed afterwards is
// finite; and saving and restoring again gives the same blob and values.

#include "FuzzSupport.h"

#include "testbed/ProcessorDriver.h"

#include <cstring>

namespace
{
using tarngloam::ParameterValues;

void restore (TarnGloamAudioProcessor& processor, const uint8_t* data, size_t size)
{
    processor.setStateInformation (data, static_cast<int> (size));
}

ParameterValues valuesOf (TarnGloamAudioProcessor& processor)
{
    ParameterValues values {};
    for (const auto& info : tarngloam::parameterTable)
        values[tarngloam::indexOf (info.parameter)] = tarngloam::driver::percentOf (processor, info.parameter);
    return values;
}

juce::MemoryBlock save (TarnGloamAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    fuzzing::initialiseJuceOnce();

    // The instances live for the whole run (building them is most of the cost); each input starts
    // them from known values. Restoring touches nothing but the parameters.
    static TarnGloamAudioProcessor first, second, third;
    static const bool prepared = tarngloam::driver::prepare (first, 2, 2, 44100.0, 64);
    fuzzing::check (prepared, "stereo refused");

    constexpr ParameterValues firstValues { 11.1f, 22.2f, 33.3f, 44.4f };
    constexpr ParameterValues secondValues { 66.6f, 77.7f, 88.8f, 99.9f };
    tarngloam::driver::setAllPercent (first, firstValues);
    tarngloam::driver::setAllPercent (second, secondValues);
    const auto heldFirst = valuesOf (first), heldSecond = valuesOf (second);

    restore (first, data, size);
    restore (second, data, size);
    const auto restoredFirst = valuesOf (first), restoredSecond = valuesOf (second);

    for (size_t i = 0; i < tarngloam::numParameters; ++i)
    {
        fuzzing::check (std::isfinite (restoredFirst[i]) && restoredFirst[i] >= 0.0f && restoredFirst[i] <= 100.0f,
                        "a restored value is not a finite percentage");
        const bool kept = restoredFirst[i] == heldFirst[i] && restoredSecond[i] == heldSecond[i];
        fuzzing::check (kept || restoredFirst[i] == restoredSecond[i],
                        "a parameter depends on what the instance held before the restore");
    }

    // The audio path takes whatever was restored.
    juce::AudioBuffer<float> buffer (2, 64);
    for (int i = 0; i < 64; ++i)
        for (int ch = 0; ch < 2; ++ch)
            buffer.setSample (ch, i, std::sin (static_cast<float> (i) * 0.05f + static_cast<float> (ch)) * 0.8f);
    juce::MidiBuffer midi;
    first.processBlock (buffer, midi);
    fuzzing::check (fuzzing::allFinite (buffer, 2), "output not finite after a restore");

    // What was restored saves and restores again unchanged.
    const auto saved = save (first);
    tarngloam::driver::setAllPercent (third, secondValues);
    restore (third, static_cast<const uint8_t*> (saved.getData()), saved.getSize());
    fuzzing::check (valuesOf (third) == restoredFirst, "a second round trip changed the values");
    fuzzing::check (save (third) == saved, "a second round trip changed the saved state");
    return 0;
}
