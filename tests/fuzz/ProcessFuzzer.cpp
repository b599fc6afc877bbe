// A byte stream decoded into what hosts do over time: prepares (8 kHz to 384 kHz, blocks of 0 to
// 8192), parameter and tempo changes (including NaN and infinities), and blocks of extreme samples
// (NaN, infinities, 1e30, subnormals; up to 1024 samples a block and 2048 an input), on each
// accepted layout. Checks: the output is always
// finite, and within ±1 whenever a parameter is above 0.

#include "FuzzSupport.h"
#include "../ModuleProbe.h"

#include "testbed/ProcessorDriver.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <limits>

namespace
{
constexpr double sampleRates[] = { 8000.0, 11025.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0 };
constexpr int layouts[][2] = { { 1, 1 }, { 1, 2 }, { 2, 2 } };

float extremeSample (FuzzedDataProvider& input, uint32_t& noise)
{
    noise = noise * 1664525u + 1013904223u;
    switch (input.ConsumeIntegralInRange (0, 9))
    {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return std::numeric_limits<float>::infinity();
        case 2: return -std::numeric_limits<float>::infinity();
        case 3: return 1.0e30f;
        case 4: return -1.0e30f;
        case 5: return 1.0e-40f;
        case 6: return std::numeric_limits<float>::max();
        case 7: return 0.0f;
        default: return static_cast<float> (static_cast<int32_t> (noise)) * (1.0f / 2147483648.0f);
    }
}

float hostValue (FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange (0, 5))
    {
        case 0: return std::numeric_limits<float>::quiet_NaN();
        case 1: return input.ConsumeBool() ? std::numeric_limits<float>::infinity() : -1.0f;
        case 2: return 0.0f;
        case 3: return 1.0f;
        default: return input.ConsumeFloatingPointInRange (0.0f, 1.0f);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    fuzzing::initialiseJuceOnce();
    FuzzedDataProvider input (data, size);

    // One instance for the whole run (building it is most of the cost), started afresh for each
    // input: defaults, no play head, the random generators at their seeds, unprepared.
    static TarnGloamAudioProcessor processor;
    processor.releaseResources();
    processor.setPlayHead (nullptr);
    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost (parameter->getDefaultValue());
    ProcessorProbe::reseedRandomGenerators (processor);

    std::optional<double> bpm;
    tarngloam::driver::FixedTempoPlayHead playHead (bpm);
    int ins = 2, outs = 2;
    bool prepared = false;
    uint32_t noise = 1;
    // Per input, so that the instrumented chain runs hundreds of inputs a second (a prepare clears
    // large delay lines).
    int samplesLeft = 2048;
    int preparesLeft = 2;
    juce::MidiBuffer midi;

    for (int step = 0; step < 32 && input.remaining_bytes() > 0; ++step)
    {
        switch (input.ConsumeIntegralInRange (0, 3))
        {
            case 0: // the host stops, picks a layout, rate and block size, and prepares
            {
                if (preparesLeft-- <= 0)
                    break;
                const auto& layout = layouts[input.ConsumeIntegralInRange (0, 2)];
                ins = layout[0];
                outs = layout[1];
                const double rate = input.PickValueInArray (sampleRates);
                const int block = input.ConsumeIntegralInRange (0, 8192);
                processor.releaseResources();
                prepared = tarngloam::driver::prepare (processor, ins, outs, rate, block);
                fuzzing::check (prepared, "an accepted layout was refused");
                break;
            }
            case 1: // automation, as normalised host values
            {
                auto* parameter = processor.getParameters()[input.ConsumeIntegralInRange (0, 3)];
                parameter->setValueNotifyingHost (hostValue (input));
                break;
            }
            case 2: // the host's tempo, or none
            {
                const auto choice = input.ConsumeIntegralInRange (0, 3);
                bpm = choice == 0 ? std::nullopt
                                  : std::optional<double> (choice == 1 ? std::numeric_limits<double>::quiet_NaN()
                                                                       : input.ConsumeFloatingPointInRange (-1000.0, 10000.0));
                playHead = tarngloam::driver::FixedTempoPlayHead (bpm);
                processor.setPlayHead (&playHead);
                break;
            }
            default: // a block of extreme samples
            {
                if (! prepared)
                    break;
                const int length = juce::jmin (samplesLeft, input.ConsumeIntegralInRange (0, input.ConsumeBool() ? 64 : 1024));
                samplesLeft -= length;
                juce::AudioBuffer<float> buffer (juce::jmax (ins, outs), length);
                for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
                    for (int i = 0; i < length; ++i)
                        buffer.setSample (ch, i, extremeSample (input, noise));
                processor.processBlock (buffer, midi);

                bool anyAboveZero = false;
                for (const auto& info : tarngloam::parameterTable)
                    anyAboveZero = anyAboveZero || tarngloam::driver::percentOf (processor, info.parameter) > 0.0f;
                for (int ch = 0; ch < outs; ++ch)
                    for (int i = 0; i < length; ++i)
                    {
                        const float sample = buffer.getSample (ch, i);
                        fuzzing::check (std::isfinite (sample), "output not finite");
                        fuzzing::check (! anyAboveZero || std::abs (sample) <= 1.0f, "output beyond ±1 with a parameter above 0");
                    }
                break;
            }
        }
    }
    processor.setPlayHead (nullptr);
    return 0;
}
