#include "Vst3HostFixture.h"

#include "hosts/RenderTool.h"
#include "hosts/TestSignal.h"
#include "plugin/FactoryPresets.h"

#include "public.sdk/source/vst/vstpresetfile.h"

#include <cstring>

using namespace vst3_host_tests;

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

namespace
{
struct GuardCase
{
    const char* name;
    vst::SpeakerArrangement ins, outs;
    bool setupProcessing;   // false: the host never calls it, and the wrapper's own 1024 holds
    int prepared, oversized; // the block length prepared for, and the one the host then sends
    tarngloam::Parameter automated;
    int pointOffset;         // where in the oversized block the automation point stands
};

// `input` through `instance` in host blocks of `blockLength`, with one automation point at
// `pointOffset` of the whole signal (carried by the block it falls in) and a transport at 97 bpm
// that moves on with every block.
hosts::Audio processWithPoint (hosts::Vst3Instance& instance, const hosts::Audio& input, int blockLength,
                               tarngloam::Parameter automated, int pointOffset, double value)
{
    const auto parameterId = instance.parameterId (tarngloam::infoOf (automated).name);
    auto inputCopy = input;
    hosts::Audio output;
    output.channels.assign (static_cast<size_t> (instance.busArrangement (false) == speakers::kMono ? 1 : 2),
                            std::vector<float> (static_cast<size_t> (input.numSamples())));
    for (int start = 0; start < input.numSamples(); start += blockLength)
    {
        std::vector<float*> ins, outs;
        for (auto& channel : inputCopy.channels)
            ins.push_back (channel.data() + start);
        for (auto& channel : output.channels)
            outs.push_back (channel.data() + start);

        hosts::ParameterChanges changes;
        if (pointOffset >= start && pointOffset < start + blockLength)
            changes.add (parameterId, pointOffset - start, value);
        vst::ProcessContext context {};
        context.state = vst::ProcessContext::kTempoValid | vst::ProcessContext::kPlaying;
        context.sampleRate = input.sampleRate;
        context.tempo = 97.0;
        context.projectTimeSamples = start;
        EXPECT_EQ (instance.process (ins, outs, blockLength, &changes, &context), Steinberg::kResultTrue);
    }
    return output;
}
} // namespace

TEST_F (Vst3Host, OversizedBlocksAreCutIntoPreparedPiecesEachWithItsOwnAutomation)
{
    const GuardCase cases[] = {
        { "stereo", speakers::kStereo, speakers::kStereo, true, 256, 4096, tarngloam::Parameter::fuzz, 3000 },
        { "mono to stereo", speakers::kMono, speakers::kStereo, true, 256, 4096, tarngloam::Parameter::grain, 2000 },
        { "no setupProcessing", speakers::kStereo, speakers::kStereo, false, 1024, 4096, tarngloam::Parameter::bleed, 3500 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const double rate = c.setupProcessing ? 48000.0 : 44100.0; // the wrapper's own default
        auto input = hosts::makeTestSignal (c.ins == speakers::kMono ? 1 : 2, c.oversized, rate, 6);
        input.sampleRate = rate;

        const auto start = [&] (hosts::Vst3Instance& instance, bool withSetup) {
            ASSERT_TRUE (instance.setBuses (c.ins, c.outs));
            ASSERT_TRUE (withSetup ? instance.prepare (rate, c.prepared) : instance.startWithoutSetup());
        };
        auto oversized = instantiate(), regular = instantiate(), pointAtStart = instantiate();
        start (*oversized, c.setupProcessing);
        start (*regular, true);
        start (*pointAtStart, true);

        const auto cut = processWithPoint (*oversized, input, c.oversized, c.automated, c.pointOffset, 0.9);
        EXPECT_TRUE (allFinite (cut));
        EXPECT_TRUE (hosts::sameBits (cut, processWithPoint (*regular, input, c.prepared, c.automated, c.pointOffset, 0.9)))
            << "the point takes effect in the piece it falls in, as in blocks of the prepared length";
        EXPECT_FALSE (hosts::sameBits (cut, processWithPoint (*pointAtStart, input, c.prepared, c.automated, 0, 0.9)))
            << "and not from the start of the oversized block";
    }
}

TEST_F (Vst3Host, InterfacesHandedOutThroughTheGuardKeepReferenceCountsBalanced)
{
    auto instance = instantiate();
    ASSERT_TRUE (instance->prepare (48000.0, 256));

    // Every interface handed out through the guard is the component's own: asking for the audio
    // processor and letting it go leaves the component's reference count where it was.
    const auto countNow = [&] { instance->component->addRef(); return instance->component->release(); };
    const auto before = countNow();
    for (int i = 0; i < 5; ++i)
    {
        vst::IAudioProcessor* processor = nullptr;
        ASSERT_EQ (instance->component->queryInterface (vst::IAudioProcessor::iid, reinterpret_cast<void**> (&processor)),
                   Steinberg::kResultOk);
        processor->release();
    }
    EXPECT_EQ (countNow(), before);
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
