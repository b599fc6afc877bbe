#include "Lv2HostFixture.h"

#include "hosts/RenderTool.h"
#include "hosts/TestSignal.h"
#include "plugin/FactoryPresets.h"

#include <lv2/presets/presets.h>

#include <cmath>
#include <cstring>
#include <map>

using namespace lv2_host_tests;

TEST_F (Lv2Host, PortsParametersAndLatency)
{
    LilvNode* name = lilv_plugin_get_name (plugin);
    EXPECT_STREQ (lilv_node_as_string (name), "TARNGLOAM");
    lilv_node_free (name);
    auto instance = instantiate (512);
    ASSERT_NE (instance->instance(), nullptr);
    // LV2 has no bus negotiation: the plug-in publishes its default layout, stereo in and out.
    EXPECT_EQ (instance->numAudioInputs(), 2);
    EXPECT_EQ (instance->numAudioOutputs(), 2);

    // The four parameters, with their ranges and defaults, as the host reads them from the TTL.
    for (const auto& info : tarngloam::parameterTable)
    {
        SCOPED_TRACE (info.id);
        const auto uri = parameterUri (info.parameter);
        EXPECT_EQ (world.number (uri, LV2_CORE__default), info.defaultPercent);
        EXPECT_EQ (world.number (uri, LV2_CORE__minimum), tarngloam::minimumPercent);
        EXPECT_EQ (world.number (uri, LV2_CORE__maximum), tarngloam::maximumPercent);
    }

    const auto silence = hosts::makeTestSignal (2, 512, rate, 1);
    instance->process (silence, 512);
    EXPECT_EQ (instance->latency(), 52.0f);
}

TEST_F (Lv2Host, AtZeroTheOutputIsTheInputDelayedBy52Samples)
{
    auto instance = instantiate (256);
    setAll (*instance, { 0.0f, 0.0f, 0.0f, 0.0f });
    const auto input = hosts::makeTestSignal (2, 20000, rate, 2);
    const auto output = instance->process (input, 256);
    for (int ch = 0; ch < 2; ++ch)
    {
        const auto& in = input.channels[static_cast<size_t> (ch)];
        const auto& out = output.channels[static_cast<size_t> (ch)];
        for (int i = 0; i < 52; ++i)
            ASSERT_EQ (out[static_cast<size_t> (i)], 0.0f);
        EXPECT_EQ (std::memcmp (out.data() + 52, in.data(), (in.size() - 52) * sizeof (float)), 0) << "channel " << ch;
    }
}

TEST_F (Lv2Host, OutputMatchesTheRendererBitForBit)
{
    const struct
    {
        tarngloam::ParameterValues percents;
        int block;
    } cases[] = {
        { { 77.7f, 55.5f, 66.6f, 44.4f }, 333 },
        { { 50.0f, 40.0f, 20.0f, 30.0f }, 64 },   // the defaults: the host sends nothing new
        { { 77.7f, 55.5f, 66.6f, 30.0f }, 64 },   // AGE left at its default, the others set
        { { 100.0f, 0.0f, 100.0f, 0.1f }, 1000 },
    };

    const auto input = hosts::makeTestSignal (2, 30000, rate, 3);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.block << " " << c.percents[0] << " " << c.percents[1] << " " << c.percents[2] << " " << c.percents[3]);
        auto instance = instantiate (c.block);
        setAll (*instance, c.percents);
        const auto hosted = instance->process (input, c.block);

        const auto rendered = hosts::renderWithTool (TARNGLOAM_RENDER_TOOL, input,
                                                     hosts::rawRenderOptions (c.percents, c.block), scratch);
        ASSERT_TRUE (rendered.has_value());
        EXPECT_TRUE (hosts::sameBits (hosted, *rendered));
    }
}

TEST_F (Lv2Host, StateRestoredIntoAFreshInstanceGivesTheSameValuesAndAudio)
{
    const tarngloam::ParameterValues percents { 12.3f, 98.7f, 0.0f, 55.5f };
    const auto input = hosts::makeTestSignal (2, 8192, rate, 4);

    auto source = instantiate (512);
    setAll (*source, percents);
    source->process (input, 512);
    LilvState* state = source->saveState();
    ASSERT_NE (state, nullptr);

    // The restored instance reports its values back and sounds like one set by messages.
    auto restored = instantiate (512);
    restored->restoreState (state);
    lilv_state_free (state);
    const auto restoredOutput = restored->process (input, 512);
    for (const auto& info : tarngloam::parameterTable)
    {
        const auto found = restored->reportedParameters().find (parameterUri (info.parameter));
        ASSERT_NE (found, restored->reportedParameters().end()) << info.id;
        EXPECT_NEAR (found->second, percents[tarngloam::indexOf (info.parameter)], 1.0e-4f) << info.id;
    }

    auto bySetting = instantiate (512);
    setAll (*bySetting, percents);
    EXPECT_TRUE (hosts::sameBits (restoredOutput, bySetting->process (input, 512)));
}

TEST_F (Lv2Host, EveryFactoryPresetIsListedAndLoadsWithItsFourValues)
{
    // The bundle's presets as an LV2 host lists them: related pset:Preset resources, each loaded
    // from the file its manifest entry points to.
    LilvNode* presetClass = lilv_new_uri (world.world, LV2_PRESETS__Preset);
    LilvNode* label = lilv_new_uri (world.world, LILV_NS_RDFS "label");
    LilvNodes* presets = lilv_plugin_get_related (plugin, presetClass);
    std::map<std::string, const LilvNode*> byLabel;
    LILV_FOREACH (nodes, i, presets)
    {
        const LilvNode* preset = lilv_nodes_get (presets, i);
        lilv_world_load_resource (world.world, preset);
        LilvNodes* labels = lilv_world_find_nodes (world.world, preset, label, nullptr);
        ASSERT_EQ (lilv_nodes_size (labels), 1u) << lilv_node_as_uri (preset);
        byLabel[lilv_node_as_string (lilv_nodes_get_first (labels))] = preset;
        lilv_nodes_free (labels);
    }
    EXPECT_EQ (byLabel.size(), tarngloam::factoryPresets.size()) << "the ten factory presets and no blank entry";

    for (const auto& preset : tarngloam::factoryPresets)
    {
        SCOPED_TRACE (preset.name);
        const auto found = byLabel.find (preset.name);
        ASSERT_NE (found, byLabel.end());
        LilvState* state = lilv_state_new_from_world (world.world, &world.urids.mapFeature, found->second);
        ASSERT_NE (state, nullptr);
        // Knobs away from every preset first, so that the restore moves all four and the plug-in
        // reports each new value.
        auto instance = instantiate (256);
        setAll (*instance, { 1.0f, 2.0f, 3.0f, 4.0f });
        instance->process (hosts::makeTestSignal (2, 256, rate, 1), 256);
        instance->restoreState (state);
        lilv_state_free (state);
        instance->process (hosts::makeTestSignal (2, 256, rate, 1), 256);
        for (const auto& info : tarngloam::parameterTable)
        {
            const auto reported = instance->reportedParameters().find (parameterUri (info.parameter));
            ASSERT_NE (reported, instance->reportedParameters().end()) << info.id;
            EXPECT_NEAR (reported->second, preset.percents[tarngloam::indexOf (info.parameter)], 1.0e-4f) << info.id;
        }
    }
    lilv_nodes_free (presets);
    lilv_node_free (label);
    lilv_node_free (presetClass);
}
