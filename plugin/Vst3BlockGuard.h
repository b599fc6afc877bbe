#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "pluginterfaces/vst/ivstaudioprocessor.h"

// A VST3 host must not hand over a block longer than it announced in setupProcessing; one that
// does would make JUCE's VST3 wrapper copy the host's audio past the end of its own buffers. The
// guard stands in front of the wrapper's IAudioProcessor (JUCE asks the processor's VST3 client
// extensions first when a host queries that interface): every call passes straight through, and an
// overlong block is processed in pieces of the announced length. The chain sounds the same however
// a block is cut, so the host hears what it would have heard.
class Vst3BlockGuard final : public Steinberg::Vst::IAudioProcessor
{
public:
    void attach (Steinberg::Vst::IAudioProcessor* wrapperProcessor) { wrapper = wrapperProcessor; }
    bool isAttached() const { return wrapper != nullptr; }

    // One object with the wrapper's component: identity and lifetime are the wrapper's.
    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID interfaceId, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override;
    Steinberg::uint32 PLUGIN_API release() override;

    Steinberg::tresult PLUGIN_API setBusArrangements (Steinberg::Vst::SpeakerArrangement* inputs, Steinberg::int32 numIns,
                                                      Steinberg::Vst::SpeakerArrangement* outputs,
                                                      Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API getBusArrangement (Steinberg::Vst::BusDirection dir, Steinberg::int32 index,
                                                     Steinberg::Vst::SpeakerArrangement& arr) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize (Steinberg::int32 symbolicSampleSize) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::tresult PLUGIN_API setupProcessing (Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API setProcessing (Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API process (Steinberg::Vst::ProcessData& data) override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override;

private:
    Steinberg::tresult processInPieces (Steinberg::Vst::ProcessData& data);

    Steinberg::Vst::IAudioProcessor* wrapper = nullptr;
    Steinberg::int32 announcedBlockLength = 0;
};

// What the processor offers JUCE's VST3 wrapper: the guard, in place of the wrapper's own
// IAudioProcessor.
class TarnGloamVst3Extensions final : public juce::VST3ClientExtensions
{
public:
    explicit TarnGloamVst3Extensions (juce::AudioProcessor& processorToGuard) : processor (processorToGuard) {}

    int32_t queryIAudioProcessor (const Steinberg::TUID interfaceId, void** obj) override;

private:
    juce::AudioProcessor& processor;
    Vst3BlockGuard guard;
};
