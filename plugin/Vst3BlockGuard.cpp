#include "plugin/Vst3BlockGuard.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace
{
// IAudioProcessor's interface ID, written out so that nothing here needs the SDK's compiled IIDs
// (only the VST3 wrapper links them).
const TUID audioProcessorIid = INLINE_UID (0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

// Pieces are cut from buses of at most this many channels; a host sending more is refused.
constexpr int maxBuses = 4;
constexpr int maxChannels = 8;
} // namespace

tresult PLUGIN_API Vst3BlockGuard::queryInterface (const TUID interfaceId, void** obj)
{
    return wrapper->queryInterface (interfaceId, obj);
}
uint32 PLUGIN_API Vst3BlockGuard::addRef() { return wrapper->addRef(); }
uint32 PLUGIN_API Vst3BlockGuard::release() { return wrapper->release(); }

tresult PLUGIN_API Vst3BlockGuard::setBusArrangements (Vst::SpeakerArrangement* inputs, int32 numIns,
                                                       Vst::SpeakerArrangement* outputs, int32 numOuts)
{
    return wrapper->setBusArrangements (inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API Vst3BlockGuard::getBusArrangement (Vst::BusDirection dir, int32 index, Vst::SpeakerArrangement& arr)
{
    return wrapper->getBusArrangement (dir, index, arr);
}

tresult PLUGIN_API Vst3BlockGuard::canProcessSampleSize (int32 symbolicSampleSize)
{
    return wrapper->canProcessSampleSize (symbolicSampleSize);
}

uint32 PLUGIN_API Vst3BlockGuard::getLatencySamples() { return wrapper->getLatencySamples(); }

tresult PLUGIN_API Vst3BlockGuard::setupProcessing (Vst::ProcessSetup& setup)
{
    const auto result = wrapper->setupProcessing (setup);
    if (result == kResultOk || result == kResultTrue)
        announcedBlockLength = setup.maxSamplesPerBlock;
    return result;
}

tresult PLUGIN_API Vst3BlockGuard::setProcessing (TBool state) { return wrapper->setProcessing (state); }
uint32 PLUGIN_API Vst3BlockGuard::getTailSamples() { return wrapper->getTailSamples(); }

tresult PLUGIN_API Vst3BlockGuard::process (Vst::ProcessData& data)
{
    if (data.numSamples <= announcedBlockLength || announcedBlockLength <= 0)
        return wrapper->process (data);
    return processInPieces (data);
}

tresult Vst3BlockGuard::processInPieces (Vst::ProcessData& data)
{
    if (data.symbolicSampleSize != Vst::kSample32 || data.numInputs > maxBuses || data.numOutputs > maxBuses)
        return kResultFalse;
    for (int32 i = 0; i < data.numInputs; ++i)
        if (data.inputs[i].numChannels > maxChannels)
            return kResultFalse;
    for (int32 i = 0; i < data.numOutputs; ++i)
        if (data.outputs[i].numChannels > maxChannels)
            return kResultFalse;

    Vst::AudioBusBuffers inputs[maxBuses], outputs[maxBuses];
    float* inputChannels[maxBuses][maxChannels] {};
    float* outputChannels[maxBuses][maxChannels] {};

    // The buses of the whole block with every channel pointer moved on by `offset` samples.
    const auto moveBuses = [] (const Vst::AudioBusBuffers* source, int32 numBuses, Vst::AudioBusBuffers* pieces,
                               float* (*channels)[maxChannels], int32 offset)
    {
        for (int32 b = 0; b < numBuses; ++b)
        {
            pieces[b] = source[b];
            if (source[b].channelBuffers32 == nullptr)
                continue;
            for (int32 ch = 0; ch < source[b].numChannels; ++ch)
                channels[b][ch] = source[b].channelBuffers32[ch] != nullptr ? source[b].channelBuffers32[ch] + offset : nullptr;
            pieces[b].channelBuffers32 = channels[b];
        }
    };

    for (int32 start = 0; start < data.numSamples; start += announcedBlockLength)
    {
        Vst::ProcessData piece = data;
        piece.numSamples = std::min (announcedBlockLength, data.numSamples - start);
        moveBuses (data.inputs, data.numInputs, inputs, inputChannels, start);
        moveBuses (data.outputs, data.numOutputs, outputs, outputChannels, start);
        piece.inputs = inputs;
        piece.outputs = outputs;
        if (start > 0)
        {
            // Parameter changes and events belong to the block's start; they go with the first piece.
            piece.inputParameterChanges = nullptr;
            piece.inputEvents = nullptr;
        }
        const auto result = wrapper->process (piece);
        if (result != kResultOk && result != kResultTrue)
            return result;
    }
    return kResultTrue;
}

int32_t TarnGloamVst3Extensions::queryIAudioProcessor (const TUID interfaceId, void** obj)
{
    *obj = nullptr;
    if (std::memcmp (interfaceId, audioProcessorIid, sizeof (TUID)) != 0)
        return kNoInterface;

    // JUCE's VST3 wrapper installs itself as the processor's play head when it creates it, so the
    // wrapper's own IAudioProcessor is found there; in any other wrapper the guard stays out.
    if (! guard.isAttached())
        if (auto* wrapper = dynamic_cast<Vst::IAudioProcessor*> (processor.getPlayHead()))
            guard.attach (wrapper);
    if (! guard.isAttached())
        return kNoInterface;

    guard.addRef();
    *obj = &guard;
    return kResultOk;
}
