#pragma once

#include "hosts/FloatWavFile.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/module.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A small VST3 host built only on the VST3 SDK's own classes (module loading, the plug-in factory,
// the host application and its messages, memory streams): no JUCE on this side. What the SDK folder
// inside JUCE does not ship (parameter change queues, a component handler) is written here, as a
// DAW writes it.
namespace hosts
{
namespace vst = Steinberg::Vst;

// One parameter's automation points within a block.
class ParameterQueue : public vst::IParamValueQueue
{
public:
    explicit ParameterQueue (vst::ParamID id);
    virtual ~ParameterQueue() = default;

    vst::ParamID PLUGIN_API getParameterId() override { return parameterId; }
    Steinberg::int32 PLUGIN_API getPointCount() override { return static_cast<Steinberg::int32> (points.size()); }
    Steinberg::tresult PLUGIN_API getPoint (Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                            vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint (Steinberg::int32 sampleOffset, vst::ParamValue value,
                                            Steinberg::int32& index) override;
    DECLARE_FUNKNOWN_METHODS

private:
    vst::ParamID parameterId;
    std::vector<std::pair<Steinberg::int32, vst::ParamValue>> points;
};

// All parameter changes of one block.
class ParameterChanges : public vst::IParameterChanges
{
public:
    ParameterChanges();
    virtual ~ParameterChanges() = default;

    // Adds a point at `sampleOffset` to the parameter's queue (created on first use).
    void add (vst::ParamID id, Steinberg::int32 sampleOffset, vst::ParamValue normalised);
    void clear() { queues.clear(); }

    Steinberg::int32 PLUGIN_API getParameterCount() override { return static_cast<Steinberg::int32> (queues.size()); }
    vst::IParamValueQueue* PLUGIN_API getParameterData (Steinberg::int32 index) override;
    vst::IParamValueQueue* PLUGIN_API addParameterData (const vst::ParamID& id, Steinberg::int32& index) override;
    DECLARE_FUNKNOWN_METHODS

private:
    std::vector<std::unique_ptr<ParameterQueue>> queues;
};

// What the controller reports to the host.
class ComponentHandler : public vst::IComponentHandler
{
public:
    ComponentHandler();
    virtual ~ComponentHandler() = default;

    Steinberg::tresult PLUGIN_API beginEdit (vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API performEdit (vst::ParamID, vst::ParamValue) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API endEdit (vst::ParamID) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API restartComponent (Steinberg::int32 flags) override;
    DECLARE_FUNKNOWN_METHODS

    Steinberg::int32 restartFlags = 0;
};

// The host application object the plug-in's factory and objects are given. It lives for the whole
// process: the factory keeps it until the module is unloaded.
vst::HostApplication& hostApplication();

// One instance of the plug-in: component, audio processor and controller, connected as a DAW
// connects them.
class Vst3Instance
{
public:
    Vst3Instance (const VST3::Hosting::Module::Ptr& module, const VST3::UID& componentClass);
    ~Vst3Instance();
    Vst3Instance (const Vst3Instance&) = delete;
    Vst3Instance& operator= (const Vst3Instance&) = delete;

    bool isValid() const { return component && processor && controller; }

    // True when the plug-in accepts `ins` -> `outs` (speaker arrangements) on its main buses.
    bool setBuses (vst::SpeakerArrangement ins, vst::SpeakerArrangement outs);
    vst::SpeakerArrangement busArrangement (bool input) const;

    bool prepare (double sampleRate, int maxBlock);
    // Activates and starts processing without calling setupProcessing first, as some hosts do:
    // the plug-in runs with whatever it set itself up for.
    bool startWithoutSetup();
    void stop();

    // Processes one block in place (one pointer per channel of the current arrangement) with the
    // given parameter changes and, when given, the transport; returns the plug-in's answer.
    Steinberg::tresult process (const std::vector<float*>& inputs, const std::vector<float*>& outputs, int numSamples,
                                ParameterChanges* changes, vst::ProcessContext* context = nullptr);

    // The whole signal in blocks of blockSize; `changes` go with the first block.
    Audio processAll (const Audio& input, int blockSize, ParameterChanges* changes);

    std::vector<char> saveState() const;
    bool restoreState (const std::vector<char>& state);

    vst::ParamID parameterId (const char* title) const; // by the controller's parameter title
    double normalisedValue (vst::ParamID id) const;

    // Declared first, so that it outlives the plug-in's objects, which hold on to it until their
    // last reference goes.
    ComponentHandler handler;
    Steinberg::IPtr<vst::IComponent> component;
    Steinberg::IPtr<vst::IAudioProcessor> processor;
    Steinberg::IPtr<vst::IEditController> controller;

private:
    bool active = false;
    int numInputChannels = 2, numOutputChannels = 2;
    double rate = 48000.0;
};
} // namespace hosts
