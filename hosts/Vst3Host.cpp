#include "hosts/Vst3Host.h"

#include "public.sdk/source/common/memorystream.h"
#include "pluginterfaces/base/funknownimpl.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cstring>

namespace hosts
{
using Steinberg::int32;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::kResultTrue;
using Steinberg::tresult;

IMPLEMENT_FUNKNOWN_METHODS (ParameterQueue, vst::IParamValueQueue, vst::IParamValueQueue::iid)
IMPLEMENT_FUNKNOWN_METHODS (ParameterChanges, vst::IParameterChanges, vst::IParameterChanges::iid)
IMPLEMENT_FUNKNOWN_METHODS (ComponentHandler, vst::IComponentHandler, vst::IComponentHandler::iid)

ParameterQueue::ParameterQueue (vst::ParamID id) : parameterId (id) { FUNKNOWN_CTOR }

tresult ParameterQueue::getPoint (int32 index, int32& sampleOffset, vst::ParamValue& value)
{
    if (index < 0 || index >= getPointCount())
        return kResultFalse;
    sampleOffset = points[static_cast<size_t> (index)].first;
    value = points[static_cast<size_t> (index)].second;
    return kResultTrue;
}

tresult ParameterQueue::addPoint (int32 sampleOffset, vst::ParamValue value, int32& index)
{
    points.emplace_back (sampleOffset, value);
    index = getPointCount() - 1;
    return kResultTrue;
}

ParameterChanges::ParameterChanges() { FUNKNOWN_CTOR }

void ParameterChanges::add (vst::ParamID id, int32 sampleOffset, vst::ParamValue normalised)
{
    int32 index = 0;
    if (auto* queue = addParameterData (id, index))
        queue->addPoint (sampleOffset, normalised, index);
}

vst::IParamValueQueue* ParameterChanges::getParameterData (int32 index)
{
    return index >= 0 && index < getParameterCount() ? queues[static_cast<size_t> (index)].get() : nullptr;
}

vst::IParamValueQueue* ParameterChanges::addParameterData (const vst::ParamID& id, int32& index)
{
    for (size_t i = 0; i < queues.size(); ++i)
        if (queues[i]->getParameterId() == id)
        {
            index = static_cast<int32> (i);
            return queues[i].get();
        }
    queues.push_back (std::make_unique<ParameterQueue> (id));
    index = getParameterCount() - 1;
    return queues.back().get();
}

ComponentHandler::ComponentHandler() { FUNKNOWN_CTOR }

tresult ComponentHandler::restartComponent (int32 flags)
{
    restartFlags |= flags;
    return kResultOk;
}

vst::HostApplication& hostApplication()
{
    static auto* host = new vst::HostApplication(); // never deleted: see the header
    return *host;
}

Vst3Instance::Vst3Instance (const VST3::Hosting::Module::Ptr& module, const VST3::UID& componentClass)
{
    auto& host = hostApplication();
    const auto& factory = module->getFactory();
    factory.setHostContext (&host);
    component = factory.createInstance<vst::IComponent> (componentClass);
    if (! component || component->initialize (&host) != kResultOk)
    {
        component = nullptr;
        return;
    }
    processor = Steinberg::U::cast<vst::IAudioProcessor> (component);

    // The controller: the same object, or a separate class connected through messages.
    controller = Steinberg::U::cast<vst::IEditController> (component);
    if (! controller)
    {
        Steinberg::TUID controllerClass {};
        if (component->getControllerClassId (controllerClass) == kResultTrue)
        {
            controller = factory.createInstance<vst::IEditController> (VST3::UID (controllerClass));
            if (controller && controller->initialize (&host) != kResultOk)
                controller = nullptr;
        }
        auto componentConnection = Steinberg::U::cast<vst::IConnectionPoint> (component);
        auto controllerConnection = Steinberg::U::cast<vst::IConnectionPoint> (controller);
        if (componentConnection && controllerConnection)
        {
            componentConnection->connect (controllerConnection);
            controllerConnection->connect (componentConnection);
        }
    }
    if (controller)
        controller->setComponentHandler (&handler);
}

Vst3Instance::~Vst3Instance()
{
    stop();
    if (controller)
    {
        controller->setComponentHandler (nullptr);
        auto componentConnection = Steinberg::U::cast<vst::IConnectionPoint> (component);
        auto controllerConnection = Steinberg::U::cast<vst::IConnectionPoint> (controller);
        if (componentConnection && controllerConnection)
        {
            componentConnection->disconnect (controllerConnection);
            controllerConnection->disconnect (componentConnection);
        }
        controller->terminate();
    }
    if (component)
        component->terminate();
}

bool Vst3Instance::setBuses (vst::SpeakerArrangement ins, vst::SpeakerArrangement outs)
{
    if (processor->setBusArrangements (&ins, 1, &outs, 1) != kResultTrue)
        return false;
    numInputChannels = vst::SpeakerArr::getChannelCount (ins);
    numOutputChannels = vst::SpeakerArr::getChannelCount (outs);
    return true;
}

vst::SpeakerArrangement Vst3Instance::busArrangement (bool input) const
{
    vst::SpeakerArrangement arrangement = 0;
    processor->getBusArrangement (input ? vst::kInput : vst::kOutput, 0, arrangement);
    return arrangement;
}

bool Vst3Instance::prepare (double sampleRate, int maxBlock)
{
    stop();
    rate = sampleRate;
    vst::ProcessSetup setup { vst::kRealtime, vst::kSample32, maxBlock, sampleRate };
    if (processor->setupProcessing (setup) != kResultOk)
        return false;
    return startWithoutSetup();
}

bool Vst3Instance::startWithoutSetup()
{
    component->activateBus (vst::kAudio, vst::kInput, 0, true);
    component->activateBus (vst::kAudio, vst::kOutput, 0, true);
    if (component->setActive (true) != kResultOk)
        return false;
    active = true;
    processor->setProcessing (true);
    return true;
}

void Vst3Instance::stop()
{
    if (! active)
        return;
    processor->setProcessing (false);
    component->setActive (false);
    active = false;
}

tresult Vst3Instance::process (const std::vector<float*>& inputs, const std::vector<float*>& outputs, int numSamples,
                               ParameterChanges* changes, vst::ProcessContext* context)
{
    vst::AudioBusBuffers in {}, out {};
    in.numChannels = static_cast<int32> (inputs.size());
    in.channelBuffers32 = const_cast<float**> (inputs.data());
    out.numChannels = static_cast<int32> (outputs.size());
    out.channelBuffers32 = const_cast<float**> (outputs.data());

    ParameterChanges outputChanges;
    vst::ProcessData data;
    data.processMode = vst::kRealtime;
    data.symbolicSampleSize = vst::kSample32;
    data.numSamples = numSamples;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = &outputChanges;
    data.processContext = context;
    return processor->process (data);
}

Audio Vst3Instance::processAll (const Audio& input, int blockSize, ParameterChanges* changes)
{
    Audio output;
    output.sampleRate = input.sampleRate;
    output.channels.assign (static_cast<size_t> (numOutputChannels), std::vector<float> (static_cast<size_t> (input.numSamples())));
    std::vector<std::vector<float>> inputCopy (static_cast<size_t> (numInputChannels),
                                               std::vector<float> (static_cast<size_t> (blockSize)));
    for (int position = 0; position < input.numSamples(); position += blockSize)
    {
        const int length = std::min (blockSize, input.numSamples() - position);
        std::vector<float*> ins, outs;
        for (size_t ch = 0; ch < inputCopy.size(); ++ch)
        {
            const auto& source = input.channels[std::min (ch, input.channels.size() - 1)];
            std::copy (source.begin() + position, source.begin() + position + length, inputCopy[ch].begin());
            ins.push_back (inputCopy[ch].data());
        }
        for (auto& channel : output.channels)
            outs.push_back (channel.data() + position);
        process (ins, outs, length, position == 0 ? changes : nullptr);
    }
    return output;
}

std::vector<char> Vst3Instance::saveState() const
{
    Steinberg::MemoryStream stream;
    if (component->getState (&stream) != kResultOk)
        return {};
    return std::vector<char> (stream.getData(), stream.getData() + stream.getSize());
}

bool Vst3Instance::restoreState (const std::vector<char>& state)
{
    Steinberg::MemoryStream forComponent (const_cast<char*> (state.data()), static_cast<Steinberg::TSize> (state.size()));
    Steinberg::MemoryStream forController (const_cast<char*> (state.data()), static_cast<Steinberg::TSize> (state.size()));
    return component->setState (&forComponent) == kResultOk
           && (! controller || controller->setComponentState (&forController) == kResultOk);
}

vst::ParamID Vst3Instance::parameterId (const char* title) const
{
    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
        vst::ParameterInfo info {};
        controller->getParameterInfo (i, info);
        std::string text;
        for (const auto c : info.title)
        {
            if (c == 0)
                break;
            text += static_cast<char> (c);
        }
        if (text == title)
            return info.id;
    }
    return vst::kNoParamId;
}

double Vst3Instance::normalisedValue (vst::ParamID id) const { return controller->getParamNormalized (id); }
} // namespace hosts
