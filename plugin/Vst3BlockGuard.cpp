#include "plugin/Vst3BlockGuard.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Steinberg;

namespace
{
// The interface IDs the guard answers for, written out so that nothing here needs the SDK's
// compiled IIDs (only the VST3 wrapper links them).
const TUID audioProcessorIid = INLINE_UID (0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
const TUID paramValueQueueIid = INLINE_UID (0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
const TUID parameterChangesIid = INLINE_UID (0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
const TUID unknownIid = INLINE_UID (0x00000000, 0x00000000, 0xC0000000, 0x00000046);

bool sameIid (const TUID a, const TUID b) { return std::memcmp (a, b, sizeof (TUID)) == 0; }

// Answers for an object that is only itself: its own interface and FUnknown.
tresult answerFor (FUnknown* object, const TUID ownIid, const TUID interfaceId, void** obj)
{
    if (sameIid (interfaceId, ownIid) || sameIid (interfaceId, unknownIid))
    {
        *obj = object;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

// Pieces are cut from buses of at most this many channels; a host sending more is refused.
constexpr int maxBuses = 4;
constexpr int maxChannels = 8;
} // namespace

namespace tarngloam
{
void PieceParameterQueue::show (Vst::IParamValueQueue& sourceQueue, int32 first, int32 count, int32 start)
{
    source = &sourceQueue;
    firstPoint = first;
    numPoints = count;
    pieceStart = start;
}

tresult PLUGIN_API PieceParameterQueue::getPoint (int32 index, int32& sampleOffset, Vst::ParamValue& value)
{
    if (index < 0 || index >= numPoints)
        return kInvalidArgument;
    const auto result = source->getPoint (firstPoint + index, sampleOffset, value);
    sampleOffset = std::max<int32> (0, sampleOffset - pieceStart);
    return result;
}

tresult PLUGIN_API PieceParameterQueue::addPoint (int32, Vst::ParamValue, int32&) { return kResultFalse; }

tresult PLUGIN_API PieceParameterQueue::queryInterface (const TUID interfaceId, void** obj)
{
    return answerFor (this, paramValueQueueIid, interfaceId, obj);
}

void PieceParameterChanges::show (Vst::IParameterChanges& source, int32 start, int32 end, bool withEarlier, bool withLater)
{
    numQueues = 0;
    const auto queueCount = source.getParameterCount();
    for (int32 q = 0; q < queueCount && numQueues < maxQueues; ++q)
    {
        auto* queue = source.getParameterData (q);
        if (queue == nullptr)
            continue;

        // A queue's points come in order of their offsets.
        const auto pointCount = queue->getPointCount();
        int32 first = 0, count = 0;
        for (int32 p = 0; p < pointCount; ++p)
        {
            int32 offset = 0;
            Vst::ParamValue value = 0.0;
            if (queue->getPoint (p, offset, value) != kResultOk || (offset < start && ! withEarlier))
                first = p + 1;
            else if (offset < end || withLater)
                ++count;
        }
        if (count > 0)
            queues[numQueues++].show (*queue, first, count, start);
    }
}

Vst::IParamValueQueue* PLUGIN_API PieceParameterChanges::getParameterData (int32 index)
{
    return index >= 0 && index < numQueues ? &queues[index] : nullptr;
}

Vst::IParamValueQueue* PLUGIN_API PieceParameterChanges::addParameterData (const Vst::ParamID&, int32&) { return nullptr; }

tresult PLUGIN_API PieceParameterChanges::queryInterface (const TUID interfaceId, void** obj)
{
    return answerFor (this, parameterChangesIid, interfaceId, obj);
}

Vst::ProcessContext advancedContext (const Vst::ProcessContext& context, int32 samples)
{
    using Context = Vst::ProcessContext;
    auto moved = context;
    moved.projectTimeSamples += samples;
    if ((context.state & Context::kContTimeValid) != 0)
        moved.continousTimeSamples += samples; // (sic: the SDK spells it so)
    if (context.sampleRate <= 0.0)
        return moved;

    const double seconds = samples / context.sampleRate;
    if ((context.state & Context::kSystemTimeValid) != 0)
        moved.systemTime += static_cast<int64> (std::llround (seconds * 1.0e9));

    const auto musical = Context::kProjectTimeMusicValid | Context::kTempoValid;
    if ((context.state & musical) == musical)
    {
        moved.projectTimeMusic += seconds * context.tempo / 60.0;

        // The last bar start moves on by whole bars of the time signature.
        const auto bars = Context::kBarPositionValid | Context::kTimeSigValid;
        if ((context.state & bars) == bars && context.timeSigNumerator > 0 && context.timeSigDenominator > 0)
        {
            const double barLength = 4.0 * context.timeSigNumerator / context.timeSigDenominator;
            moved.barPositionMusic += std::floor ((moved.projectTimeMusic - context.barPositionMusic) / barLength) * barLength;
        }
    }
    return moved;
}
} // namespace tarngloam

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
tresult PLUGIN_API Vst3BlockGuard::setupProcessing (Vst::ProcessSetup& setup) { return wrapper->setupProcessing (setup); }
tresult PLUGIN_API Vst3BlockGuard::setProcessing (TBool state) { return wrapper->setProcessing (state); }
uint32 PLUGIN_API Vst3BlockGuard::getTailSamples() { return wrapper->getTailSamples(); }

tresult PLUGIN_API Vst3BlockGuard::process (Vst::ProcessData& data)
{
    const auto preparedLength = static_cast<int32> (processor.getBlockSize());
    if (data.numSamples <= preparedLength || preparedLength <= 0)
        return wrapper->process (data);
    return processInPieces (data, preparedLength);
}

tresult Vst3BlockGuard::processInPieces (Vst::ProcessData& data, int32 pieceLength)
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

    for (int32 start = 0; start < data.numSamples; start += pieceLength)
    {
        Vst::ProcessData piece = data;
        piece.numSamples = std::min (pieceLength, data.numSamples - start);
        const bool last = start + piece.numSamples >= data.numSamples;
        moveBuses (data.inputs, data.numInputs, inputs, inputChannels, start);
        moveBuses (data.outputs, data.numOutputs, outputs, outputChannels, start);
        piece.inputs = inputs;
        piece.outputs = outputs;

        // Each piece gets the points inside it (the first also any before the block, the last any
        // after it); the transport moves on with the pieces. Events belong to the block's start;
        // what the plug-in reports back is collected once, after the last piece.
        Vst::ProcessContext context;
        if (data.processContext != nullptr)
        {
            context = tarngloam::advancedContext (*data.processContext, start);
            piece.processContext = &context;
        }
        if (data.inputParameterChanges != nullptr)
        {
            pieceChanges.show (*data.inputParameterChanges, start, start + piece.numSamples, start == 0, last);
            piece.inputParameterChanges = &pieceChanges;
        }
        if (start > 0)
            piece.inputEvents = nullptr;
        if (! last)
        {
            piece.outputParameterChanges = nullptr;
            piece.outputEvents = nullptr;
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
    if (! sameIid (interfaceId, audioProcessorIid))
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
