#include "plugin/ParameterTable.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <cstdlib>

// Loads the built TARNGLOAM.vst3 through JUCE's VST3 hosting, as a DAW would, and checks what
// the host sees. The plug-in's own code is not linked into this view: everything goes through
// the bundle's factory and the VST3 interfaces.
namespace
{
// The bundle folder holds Contents/<architecture>/TARNGLOAM.so: the built one, or the one named
// by TARNGLOAM_VST3_BUNDLE (the package test points it at the bundle unpacked from the .deb).
const juce::File bundle = [] {
    if (const char* path = std::getenv ("TARNGLOAM_VST3_BUNDLE"))
        return juce::File (path);
    return juce::File (TARNGLOAM_BUILT_VST3_BINARY_DIR).getParentDirectory().getParentDirectory();
}();

std::unique_ptr<juce::PluginDescription> describeBundle()
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, bundle.getFullPathName());
    if (types.size() != 1)
        return nullptr;
    return std::make_unique<juce::PluginDescription> (*types[0]);
}

std::unique_ptr<juce::AudioPluginInstance> instantiate (const juce::PluginDescription& description)
{
    juce::VST3PluginFormat format;
    juce::String error;
    auto instance = format.createInstanceFromDescription (description, 44100.0, 512, error);
    EXPECT_TRUE (error.isEmpty()) << error;
    return instance;
}

void processOneBlock (juce::AudioPluginInstance& instance)
{
    juce::AudioBuffer<float> buffer (2, 512);
    buffer.clear();
    juce::MidiBuffer midi;
    instance.processBlock (buffer, midi);
}

// What the host sees of parameter i: normalised 0..1 values over the 0..100 % range.
float hostedDefault (const tarngloam::ParameterInfo& info)
{
    return info.defaultPercent / tarngloam::maximumPercent;
}
} // namespace

TEST (HostedBundle, ModuleListsOneAudioEffect)
{
    ASSERT_TRUE (bundle.isDirectory()) << bundle.getFullPathName();
    const auto description = describeBundle();
    ASSERT_NE (description, nullptr) << "expected exactly one plug-in in the module";

    EXPECT_EQ (description->name, "TARNGLOAM");
    EXPECT_EQ (description->manufacturerName, "Vorla");
    EXPECT_EQ (description->version, "1.0.0");
    EXPECT_TRUE (description->category.contains ("Fx")) << description->category;
    EXPECT_FALSE (description->isInstrument);
    EXPECT_EQ (description->pluginFormatName, "VST3");
}

TEST (HostedBundle, InstancePublishesParametersLatencyAndTail)
{
    const auto description = describeBundle();
    ASSERT_NE (description, nullptr);
    auto instance = instantiate (*description);
    ASSERT_NE (instance, nullptr);

    EXPECT_EQ (instance->getName(), "TARNGLOAM");
    EXPECT_FALSE (instance->acceptsMidi());
    EXPECT_FALSE (instance->producesMidi());
    EXPECT_NEAR (instance->getTailLengthSeconds(), 0.6, 1.0e-6);
    EXPECT_EQ (instance->getTotalNumInputChannels(), 2);
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);

    // The host's wrapper adds its own bypass after our four parameters.
    const auto& parameters = instance->getParameters();
    ASSERT_GE (parameters.size(), 4);
    for (int i = 0; i < 4; ++i)
    {
        const auto& info = tarngloam::parameterTable[static_cast<size_t> (i)];
        SCOPED_TRACE (info.id);
        auto* parameter = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameters[i]);
        ASSERT_NE (parameter, nullptr);
        // The VST3 parameter ID a host stores in automation derives from the string ID.
        EXPECT_EQ (parameter->getParameterID(),
                   juce::String (juce::String (info.id).hashCode() & 0x7fffffff));
        EXPECT_EQ (parameter->getName (100), info.name);
        EXPECT_EQ (parameter->getLabel(), "%");
        EXPECT_NEAR (parameter->getDefaultValue(), hostedDefault (info), 1.0e-6f);
        EXPECT_NEAR (parameter->getValue(), hostedDefault (info), 1.0e-6f);
        EXPECT_EQ (parameter->getText (0.426f, 16), "43");
        EXPECT_EQ (parameter->getText (0.999f, 16), "100");
    }

    instance->setPlayConfigDetails (2, 2, 44100.0, 512);
    instance->prepareToPlay (44100.0, 512);
    EXPECT_EQ (instance->getLatencySamples(), 52);
    processOneBlock (*instance);
    instance->releaseResources();
}

TEST (HostedBundle, StateSavedFromOneInstanceRestoresIntoAnother)
{
    const auto description = describeBundle();
    ASSERT_NE (description, nullptr);
    auto source = instantiate (*description);
    auto target = instantiate (*description);
    ASSERT_NE (source, nullptr);
    ASSERT_NE (target, nullptr);

    for (auto* instance : { source.get(), target.get() })
    {
        instance->setPlayConfigDetails (2, 2, 44100.0, 512);
        instance->prepareToPlay (44100.0, 512);
    }

    const float values[4] = { 0.123f, 0.987f, 0.0f, 0.555f };
    for (int i = 0; i < 4; ++i)
        source->getParameters()[i]->setValueNotifyingHost (values[i]);
    processOneBlock (*source); // the values reach the plug-in with this block

    juce::MemoryBlock state;
    source->getStateInformation (state);
    ASSERT_GT (state.getSize(), 0u);

    target->setStateInformation (state.getData(), static_cast<int> (state.getSize()));
    processOneBlock (*target);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR (target->getParameters()[i]->getValue(), values[i], 1.0e-3f) << tarngloam::parameterTable[static_cast<size_t> (i)].id;
    EXPECT_EQ (target->getParameters()[0]->getCurrentValueAsText(), "12");

    source->releaseResources();
    target->releaseResources();
}

TEST (HostedBundle, HostOpensThePluginsOwnEditor)
{
    const auto description = describeBundle();
    ASSERT_NE (description, nullptr);
    auto instance = instantiate (*description);
    ASSERT_NE (instance, nullptr);

    ASSERT_TRUE (instance->hasEditor());
    std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditor());
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getWidth(), 480);
    EXPECT_EQ (editor->getHeight(), 482);
    EXPECT_TRUE (editor->isResizable());
    editor.reset();
}

TEST (HostedBundle, ReportedLatencyIsTheTrueDelayInTheHost)
{
    const auto description = describeBundle();
    ASSERT_NE (description, nullptr);
    auto instance = instantiate (*description);
    ASSERT_NE (instance, nullptr);
    instance->setPlayConfigDetails (2, 2, 44100.0, 256);
    instance->prepareToPlay (44100.0, 256);

    for (int i = 0; i < 4; ++i)
        instance->getParameters()[i]->setValueNotifyingHost (0.0f);

    // The parameters reach the plug-in with the first block; the ramps settle within a few more.
    juce::MidiBuffer midi;
    juce::AudioBuffer<float> buffer (2, 256);
    for (int block = 0; block < 40; ++block)
    {
        buffer.clear();
        instance->processBlock (buffer, midi);
    }

    int firstNonZero = -1;
    for (int block = 0; block < 2 && firstNonZero < 0; ++block)
    {
        buffer.clear();
        if (block == 0)
            for (int ch = 0; ch < 2; ++ch)
                buffer.setSample (ch, 0, 0.5f);
        instance->processBlock (buffer, midi);
        for (int i = 0; i < 256 && firstNonZero < 0; ++i)
            if (buffer.getSample (0, i) != 0.0f)
            {
                firstNonZero = block * 256 + i;
                EXPECT_EQ (buffer.getSample (0, i), 0.5f);
                EXPECT_EQ (buffer.getSample (1, i), 0.5f);
            }
    }
    EXPECT_EQ (firstNonZero, instance->getLatencySamples());
    instance->releaseResources();
}
