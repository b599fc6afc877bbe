#include "hosts/FloatWavFile.h"
#include "hosts/RenderTool.h"
#include "hosts/TestSignal.h"
#include "hosts/Vst3Host.h"
#include "plugin/FactoryPresets.h"
#include "plugin/ParameterTable.h"

#include "public.sdk/source/vst/vstpresetfile.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

// The built TARNGLOAM.vst3 in a host of our own on the VST3 SDK's hosting classes: what a DAW that
// is not built on JUCE relies on.
namespace
{
namespace vst = Steinberg::Vst;
namespace speakers = Steinberg::Vst::SpeakerArr;

class Vst3Host : public testing::Test
{
protected:
    VST3::Hosting::Module::Ptr module;
    VST3::UID componentClass;
    std::string scratch;

    void SetUp() override
    {
        std::string error;
        module = VST3::Hosting::Module::create (std::filesystem::canonical (TARNGLOAM_VST3_BUNDLE).string(), error);
        ASSERT_TRUE (module) << error;
        for (const auto& info : module->getFactory().classInfos())
            if (info.category() == kVstAudioEffectClass)
                componentClass = info.ID();
        char folder[] = "/tmp/tarngloam-vst3-XXXXXX";
        ASSERT_NE (mkdtemp (folder), nullptr);
        scratch = folder;
    }
    void TearDown() override { std::system (("rm -rf '" + scratch + "'").c_str()); }

    std::unique_ptr<hosts::Vst3Instance> instantiate()
    {
        auto instance = std::make_unique<hosts::Vst3Instance> (module, componentClass);
        EXPECT_TRUE (instance->isValid());
        return instance;
    }

    static std::string readBytes (const std::string& path)
    {
        std::ifstream file (path, std::ios::binary);
        return { std::istreambuf_iterator<char> (file), std::istreambuf_iterator<char>() };
    }

    // The host's normalised value for a percentage, as the plug-in computes it (in float).
    static double normalised (float percent) { return static_cast<double> (percent / tarngloam::maximumPercent); }

    static void addAll (hosts::Vst3Instance& instance, hosts::ParameterChanges& changes,
                        const tarngloam::ParameterValues& percents, Steinberg::int32 offset = 0)
    {
        for (const auto& info : tarngloam::parameterTable)
            changes.add (instance.parameterId (info.name), offset, normalised (percents[tarngloam::indexOf (info.parameter)]));
    }

    static bool allFinite (const hosts::Audio& audio)
    {
        for (const auto& channel : audio.channels)
            for (float s : channel)
                if (! std::isfinite (s))
                    return false;
        return true;
    }
};
} // namespace

TEST_F (Vst3Host, FactoryDescribesOneAudioEffect)
{
    const auto& factory = module->getFactory();
    EXPECT_EQ (factory.info().vendor(), "Vorla");

    int effects = 0, controllers = 0;
    for (const auto& info : factory.classInfos())
    {
        if (info.category() == kVstAudioEffectClass)
        {
            ++effects;
            EXPECT_EQ (info.name(), "TARNGLOAM");
            EXPECT_EQ (info.vendor(), "Vorla");
            EXPECT_EQ (info.version(), "1.0.0");
            EXPECT_EQ (info.subCategoriesString(), "Fx");
            EXPECT_EQ (info.sdkVersion(), "VST 3.7.12");
        }
        controllers += info.category() == kVstComponentControllerClass ? 1 : 0;
    }
    EXPECT_EQ (effects, 1);
    EXPECT_EQ (controllers, 1);

    auto instance = instantiate();
    ASSERT_TRUE (instance->isValid());
    EXPECT_EQ (instance->controller->getParameterCount(), 5) << "four parameters and the wrapper's bypass";
    for (const auto& info : tarngloam::parameterTable)
    {
        SCOPED_TRACE (info.id);
        const auto id = instance->parameterId (info.name);
        ASSERT_NE (id, vst::kNoParamId);
        EXPECT_NEAR (instance->normalisedValue (id), info.defaultPercent / 100.0, 1.0e-6);
    }
}

TEST_F (Vst3Host, BusArrangementsItAcceptsAndRefuses)
{
    const struct
    {
        const char* name;
        vst::SpeakerArrangement in, out;
        bool accepted;
    } cases[] = {
        { "stereo -> stereo", speakers::kStereo, speakers::kStereo, true },
        { "mono -> mono", speakers::kMono, speakers::kMono, true },
        { "mono -> stereo", speakers::kMono, speakers::kStereo, true },
        { "stereo -> mono", speakers::kStereo, speakers::kMono, false },
        { "5.1 -> stereo", speakers::k51, speakers::kStereo, false },
        { "stereo -> quad", speakers::kStereo, speakers::k40Music, false },
    };
    auto instance = instantiate();
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        EXPECT_EQ (instance->setBuses (c.in, c.out), c.accepted);
        if (c.accepted)
        {
            EXPECT_EQ (instance->busArrangement (true), c.in);
            EXPECT_EQ (instance->busArrangement (false), c.out);
        }
    }
}

TEST_F (Vst3Host, ProcessesAtEveryRateAndBlockSizeAndReportsItsLatency)
{
    for (double rate : { 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        for (int block : { 1, 64, 512, 4096 })
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz, blocks of " << block);
            auto instance = instantiate();
            ASSERT_TRUE (instance->setBuses (speakers::kStereo, speakers::kStereo));
            ASSERT_TRUE (instance->prepare (rate, block));
            EXPECT_EQ (instance->processor->getLatencySamples(), 52u);
            const auto output = instance->processAll (hosts::makeTestSignal (2, std::max (block * 3, 2000), rate, 5), block, nullptr);
            EXPECT_TRUE (allFinite (output));
            float peak = 0.0f;
            for (float s : output.channels[0])
                peak = std::max (peak, std::abs (s));
            EXPECT_GT (peak, 0.01f);
            EXPECT_LE (peak, 1.0f);
        }
    }
}

TEST_F (Vst3Host, ABlockLargerThanAnnouncedIsHandledSafely)
{
    // A host that announced 256 samples and sends 4096 gets what 16 blocks of 256 give.
    const auto input = hosts::makeTestSignal (2, 4096, 48000.0, 6);
    auto oversized = instantiate(), regular = instantiate();
    for (auto* instance : { oversized.get(), regular.get() })
    {
        ASSERT_TRUE (instance->setBuses (speakers::kStereo, speakers::kStereo));
        ASSERT_TRUE (instance->prepare (48000.0, 256));
    }

    auto inputCopy = input, output = input;
    std::vector<float*> ins { inputCopy.channels[0].data(), inputCopy.channels[1].data() };
    std::vector<float*> outs { output.channels[0].data(), output.channels[1].data() };
    EXPECT_EQ (oversized->process (ins, outs, 4096, nullptr), Steinberg::kResultTrue);
    EXPECT_TRUE (hosts::sameBits (output, regular->processAll (input, 256, nullptr)));

    // And it goes on working at the announced size.
    EXPECT_EQ (oversized->process (ins, outs, 256, nullptr), Steinberg::kResultTrue);
    EXPECT_TRUE (allFinite (output));
}

TEST_F (Vst3Host, AutomationWithSampleOffsetsReachesThePlugin)
{
    auto instance = instantiate();
    ASSERT_TRUE (instance->setBuses (speakers::kStereo, speakers::kStereo));
    ASSERT_TRUE (instance->prepare (48000.0, 512));

    // Points part-way into the block: the last one of each queue is where the parameter ends up.
    hosts::ParameterChanges changes;
    for (const auto& info : tarngloam::parameterTable)
    {
        const auto id = instance->parameterId (info.name);
        changes.add (id, 0, 0.9);
        changes.add (id, 100, 0.5);
        changes.add (id, 311, 0.0);
    }
    auto input = hosts::makeTestSignal (2, 48000, 48000.0, 7);
    auto first = input;
    std::vector<float*> ins { input.channels[0].data(), input.channels[1].data() };
    std::vector<float*> outs { first.channels[0].data(), first.channels[1].data() };
    EXPECT_EQ (instance->process (ins, outs, 512, &changes), Steinberg::kResultTrue);

    input.channels[0].erase (input.channels[0].begin(), input.channels[0].begin() + 512);
    input.channels[1].erase (input.channels[1].begin(), input.channels[1].begin() + 512);
    const auto output = instance->processAll (input, 512, nullptr);

    // Every parameter at 0 (the last point, not the first): once the ramps have settled the output
    // is the input, 52 samples late.
    const int from = 23488;
    for (int ch = 0; ch < 2; ++ch)
        EXPECT_EQ (std::memcmp (output.channels[static_cast<size_t> (ch)].data() + from,
                                input.channels[static_cast<size_t> (ch)].data() + from - 52,
                                sizeof (float) * static_cast<size_t> (output.numSamples() - from)),
                   0)
            << "channel " << ch;
}

TEST_F (Vst3Host, ComponentStateRestoresIntoAnotherInstance)
{
    const tarngloam::ParameterValues percents { 12.3f, 98.7f, 0.0f, 55.5f };
    auto source = instantiate();
    ASSERT_TRUE (source->setBuses (speakers::kStereo, speakers::kStereo));
    ASSERT_TRUE (source->prepare (48000.0, 512));
    hosts::ParameterChanges changes;
    addAll (*source, changes, percents);
    source->processAll (hosts::makeTestSignal (2, 512, 48000.0, 8), 512, &changes);
    const auto state = source->saveState();
    ASSERT_GT (state.size(), 9u);

    auto target = instantiate();
    ASSERT_TRUE (target->restoreState (state));
    EXPECT_EQ (target->saveState(), state) << "the restored instance saves the same bytes";
    for (const auto& info : tarngloam::parameterTable)
        EXPECT_NEAR (target->normalisedValue (target->parameterId (info.name)),
                     normalised (percents[tarngloam::indexOf (info.parameter)]), 1.0e-6)
            << info.id;
}

TEST_F (Vst3Host, OutputMatchesTheRendererBitForBit)
{
    const struct
    {
        tarngloam::ParameterValues percents;
        int block;
    } cases[] = {
        { { 77.7f, 55.5f, 66.6f, 44.4f }, 333 },
        { { 50.0f, 40.0f, 20.0f, 30.0f }, 64 },
        { { 100.0f, 0.0f, 100.0f, 0.1f }, 1 },
    };
    const auto input = hosts::makeTestSignal (2, 12000, 48000.0, 9);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.block);
        auto instance = instantiate();
        ASSERT_TRUE (instance->setBuses (speakers::kStereo, speakers::kStereo));
        ASSERT_TRUE (instance->prepare (48000.0, c.block));
        hosts::ParameterChanges changes;
        addAll (*instance, changes, c.percents);
        const auto hosted = instance->processAll (input, c.block, &changes);

        const auto rendered = hosts::renderWithTool (TARNGLOAM_RENDER_TOOL, input,
                                                     hosts::rawRenderOptions (c.percents, c.block), scratch);
        ASSERT_TRUE (rendered.has_value());
        EXPECT_TRUE (hosts::sameBits (hosted, *rendered));
    }
}

TEST_F (Vst3Host, EveryFactoryPresetLoadsWithItsFourValues)
{
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator (TARNGLOAM_PRESET_DIR))
        files += entry.path().extension() == ".vstpreset" ? 1 : 0;
    EXPECT_EQ (files, tarngloam::factoryPresets.size());

    for (const auto& preset : tarngloam::factoryPresets)
    {
        SCOPED_TRACE (preset.name);
        const auto path = std::string (TARNGLOAM_PRESET_DIR) + "/" + preset.name + ".vstpreset";
        auto instance = instantiate();
        Steinberg::IBStream* stream = Steinberg::Vst::FileStream::open (path.c_str(), "rb");
        ASSERT_NE (stream, nullptr);
        EXPECT_TRUE (Steinberg::Vst::PresetFile::loadPreset (stream, Steinberg::FUID::fromTUID (componentClass.data()),
                                                             instance->component, instance->controller));
        stream->release();
        for (const auto& info : tarngloam::parameterTable)
            EXPECT_NEAR (instance->normalisedValue (instance->parameterId (info.name)),
                         normalised (preset.percents[tarngloam::indexOf (info.parameter)]), 1.0e-6)
                << info.id;

        // The shipped file holds exactly what the SDK's own preset writer saves from this host once
        // the four knobs are set and a block has carried them to the plug-in.
        auto saving = instantiate();
        ASSERT_TRUE (saving->setBuses (speakers::kStereo, speakers::kStereo) && saving->prepare (48000.0, 64));
        hosts::ParameterChanges changes;
        addAll (*saving, changes, preset.percents);
        saving->processAll (hosts::makeTestSignal (2, 64, 48000.0, 1), 64, &changes);
        const auto savedPath = scratch + "/saved.vstpreset";
        Steinberg::IBStream* out = Steinberg::Vst::FileStream::open (savedPath.c_str(), "wb");
        ASSERT_NE (out, nullptr);
        EXPECT_TRUE (Steinberg::Vst::PresetFile::savePreset (out, Steinberg::FUID::fromTUID (componentClass.data()),
                                                             saving->component, saving->controller));
        out->release();
        EXPECT_EQ (readBytes (savedPath), readBytes (path));
    }
}
