#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

// A VST3 host must not hand over a block longer than the wrapper prepared for; one that does would
// make JUCE's VST3 wrapper copy the host's audio past the end of its own buffers. The guard stands
// in front of the wrapper's IAudioProcessor (JUCE asks the processor's VST3 client extensions first
// when a host queries that interface): every call passes straight through, and an overlong block is
// processed in pieces of the prepared length, each with the automation points that fall inside it
// and the transport moved on to where it starts. The chain sounds the same however a block is cut,
// so the host hears what it would have heard from blocks of that length. Nothing here allocates.
namespace tarngloam
{
// The points of one host queue that fall inside a piece, their offsets counted from its start.
class PieceParameterQueue final : public Steinberg::Vst::IParamValueQueue
{
public:
    void show (Steinberg::Vst::IParamValueQueue& source, Steinberg::int32 firstPoint, Steinberg::int32 numPoints,
               Steinberg::int32 pieceStart);

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return source->getParameterId(); }
    Steinberg::int32 PLUGIN_API getPointCount() override { return numPoints; }
    Steinberg::tresult PLUGIN_API getPoint (Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                            Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint (Steinberg::int32, Steinberg::Vst::ParamValue, Steinberg::int32&) override;

    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID interfaceId, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; } // lives as long as the guard
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::Vst::IParamValueQueue* source = nullptr;
    Steinberg::int32 firstPoint = 0, numPoints = 0, pieceStart = 0;
};

// A host's parameter changes as one piece of its block sees them: only the queues with points in
// the piece. Up to maxQueues queues a piece; points of further ones are dropped.
class PieceParameterChanges final : public Steinberg::Vst::IParameterChanges
{
public:
    static constexpr int maxQueues = 64;

    // The points at offsets from `start` up to (not including) `end`, counted from `start`; with
    // those before `start` too when `withEarlier`, and those from `end` on when `withLater`.
    void show (Steinberg::Vst::IParameterChanges& source, Steinberg::int32 start, Steinberg::int32 end, bool withEarlier,
               bool withLater);

    Steinberg::int32 PLUGIN_API getParameterCount() override { return numQueues; }
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData (Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData (const Steinberg::Vst::ParamID&, Steinberg::int32&) override;

    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID interfaceId, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    PieceParameterQueue queues[maxQueues];
    Steinberg::int32 numQueues = 0;
};

// The transport `samples` later than `context` says: sample positions, musical position, bar and
// system time move on as far as their validity flags allow.
Steinberg::Vst::ProcessContext advancedContext (const Steinberg::Vst::ProcessContext& context, Steinberg::int32 samples);
} // namespace tarngloam

class Vst3BlockGuard final : public Steinberg::Vst::IAudioProcessor
{
public:
    explicit Vst3BlockGuard (const juce::AudioProcessor& processorToGuard) : processor (processorToGuard) {}

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
    Steinberg::tresult processInPieces (Steinberg::Vst::ProcessData& data, Steinberg::int32 pieceLength);

    // The wrapper sizes its buffers for the processor's block size whenever it prepares, whether
    // or not the host called setupProcessing first.
    const juce::AudioProcessor& processor;
    Steinberg::Vst::IAudioProcessor* wrapper = nullptr;
    tarngloam::PieceParameterChanges pieceChanges;
};

// What the processor offers JUCE's VST3 wrapper: the guard, in place of the wrapper's own
// IAudioProcessor.
class TarnGloamVst3Extensions final : public juce::VST3ClientExtensions
{
public:
    explicit TarnGloamVst3Extensions (juce::AudioProcessor& processorToGuard)
        : processor (processorToGuard), guard (processorToGuard)
    {
    }

    int32_t queryIAudioProcessor (const Steinberg::TUID interfaceId, void** obj) override;

private:
    juce::AudioProcessor& processor;
    Vst3BlockGuard guard;
};
