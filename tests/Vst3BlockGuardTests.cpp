#include "TestHelpers.h"

#include "plugin/PluginProcessor.h"
#include "plugin/Vst3BlockGuard.h"

#include "pluginterfaces/vst/ivstevents.h"

#include <utility>
#include <vector>

// The block guard between a host and a stand-in for JUCE's wrapper that records every call it
// gets: how an oversized block is cut, and what each piece carries.
namespace
{
namespace vst = Steinberg::Vst;
using Steinberg::int32;
using Steinberg::tresult;

// COM plumbing for the test's own objects, which live on the stack.
#define TEST_OBJECT_UNKNOWN                                                             \
    tresult PLUGIN_API queryInterface (const Steinberg::TUID, void** obj) override      \
    {                                                                                   \
        *obj = nullptr;                                                                 \
        return Steinberg::kNoInterface;                                                 \
    }                                                                                   \
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }                        \
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

struct Queue final : vst::IParamValueQueue
{
    vst::ParamID id = 0;
    std::vector<std::pair<int32, double>> points;

    vst::ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return static_cast<int32> (points.size()); }
    tresult PLUGIN_API getPoint (int32 index, int32& offset, vst::ParamValue& value) override
    {
        offset = points[static_cast<size_t> (index)].first;
        value = points[static_cast<size_t> (index)].second;
        return Steinberg::kResultOk;
    }
    tresult PLUGIN_API addPoint (int32 offset, vst::ParamValue value, int32& index) override
    {
        index = getPointCount();
        points.emplace_back (offset, value);
        return Steinberg::kResultOk;
    }
    TEST_OBJECT_UNKNOWN
};

struct Changes final : vst::IParameterChanges
{
    std::vector<Queue> queues;

    int32 PLUGIN_API getParameterCount() override { return static_cast<int32> (queues.size()); }
    vst::IParamValueQueue* PLUGIN_API getParameterData (int32 index) override { return &queues[static_cast<size_t> (index)]; }
    vst::IParamValueQueue* PLUGIN_API addParameterData (const vst::ParamID&, int32&) override { return nullptr; }
    TEST_OBJECT_UNKNOWN
};

// What one call to the wrapper carried, copied while the call lasts.
struct Piece
{
    int32 numSamples = 0;
    const float* firstInput = nullptr;
    std::vector<std::tuple<vst::ParamID, int32, double>> points;
    bool hasContext = false;
    vst::ProcessContext context {};
    bool hasEvents = false, reportsChanges = false;
};

struct RecordingWrapper final : vst::IAudioProcessor
{
    std::vector<Piece> pieces;

    tresult PLUGIN_API process (vst::ProcessData& data) override
    {
        Piece piece;
        piece.numSamples = data.numSamples;
        piece.firstInput = data.inputs[0].channelBuffers32[0];
        if (auto* changes = data.inputParameterChanges)
            for (int32 q = 0; q < changes->getParameterCount(); ++q)
                for (int32 p = 0; p < changes->getParameterData (q)->getPointCount(); ++p)
                {
                    int32 offset = 0;
                    vst::ParamValue value = 0;
                    changes->getParameterData (q)->getPoint (p, offset, value);
                    piece.points.emplace_back (changes->getParameterData (q)->getParameterId(), offset, value);
                }
        piece.hasContext = data.processContext != nullptr;
        if (piece.hasContext)
            piece.context = *data.processContext;
        piece.hasEvents = data.inputEvents != nullptr;
        piece.reportsChanges = data.outputParameterChanges != nullptr;
        pieces.push_back (std::move (piece));
        return Steinberg::kResultTrue;
    }

    tresult PLUGIN_API setBusArrangements (vst::SpeakerArrangement*, int32, vst::SpeakerArrangement*, int32) override { return 0; }
    tresult PLUGIN_API getBusArrangement (vst::BusDirection, int32, vst::SpeakerArrangement&) override { return 0; }
    tresult PLUGIN_API canProcessSampleSize (int32) override { return 0; }
    Steinberg::uint32 PLUGIN_API getLatencySamples() override { return 0; }
    tresult PLUGIN_API setupProcessing (vst::ProcessSetup&) override { return 0; }
    tresult PLUGIN_API setProcessing (Steinberg::TBool) override { return 0; }
    Steinberg::uint32 PLUGIN_API getTailSamples() override { return 0; }
    TEST_OBJECT_UNKNOWN
};

// Something that is not null, standing for the host's event lists.
struct Events final : vst::IEventList
{
    int32 PLUGIN_API getEventCount() override { return 0; }
    tresult PLUGIN_API getEvent (int32, vst::Event&) override { return Steinberg::kResultFalse; }
    tresult PLUGIN_API addEvent (vst::Event&) override { return Steinberg::kResultFalse; }
    TEST_OBJECT_UNKNOWN
};

// A host's stereo block of `numSamples`, sent through a guard whose processor was prepared for
// `prepared` samples; returns what the wrapper got.
struct GuardedHost
{
    explicit GuardedHost (int prepared) : guard (processor)
    {
        processor.setRateAndBufferSizeDetails (48000.0, prepared);
        guard.attach (&wrapper);
    }

    tresult send (int32 numSamples)
    {
        audio.assign (2, std::vector<float> (static_cast<size_t> (numSamples)));
        float* channels[2] = { audio[0].data(), audio[1].data() };
        vst::AudioBusBuffers bus {};
        bus.numChannels = 2;
        bus.channelBuffers32 = channels;
        vst::ProcessData data;
        data.symbolicSampleSize = vst::kSample32;
        data.numSamples = numSamples;
        data.numInputs = data.numOutputs = 1;
        data.inputs = data.outputs = &bus;
        data.inputParameterChanges = &changes;
        data.outputParameterChanges = &reported;
        data.inputEvents = &events;
        data.processContext = &context;
        return guard.process (data);
    }

    TarnGloamAudioProcessor processor;
    RecordingWrapper wrapper;
    Vst3BlockGuard guard;
    Changes changes, reported;
    Events events;
    vst::ProcessContext context {};
    std::vector<std::vector<float>> audio;
};
} // namespace

TEST (BlockGuard, CutsAnOversizedBlockIntoPreparedPiecesEachWithWhatFallsInIt)
{
    GuardedHost host (256);
    host.changes.queues.resize (2);
    host.changes.queues[0].id = 7;
    host.changes.queues[0].points = { { 10, 0.1 }, { 300, 0.3 }, { 511, 0.5 } };
    host.changes.queues[1].id = 9;
    host.changes.queues[1].points = { { 599, 0.9 }, { 700, 1.0 } }; // the last one past the block
    using Context = vst::ProcessContext;
    host.context.state = Context::kTempoValid | Context::kProjectTimeMusicValid | Context::kContTimeValid
                         | Context::kBarPositionValid | Context::kTimeSigValid;
    host.context.sampleRate = 48000.0;
    host.context.tempo = 120.0; // a quarter note every 24000 samples
    host.context.projectTimeSamples = 1000;
    host.context.continousTimeSamples = 5000;
    host.context.projectTimeMusic = 3.99;
    host.context.barPositionMusic = 0.0;
    host.context.timeSigNumerator = 4;
    host.context.timeSigDenominator = 4;

    ASSERT_EQ (host.send (600), Steinberg::kResultTrue);
    const auto& pieces = host.wrapper.pieces;
    ASSERT_EQ (pieces.size(), 3u);

    const struct
    {
        int32 numSamples, start;
        std::vector<std::tuple<vst::ParamID, int32, double>> points;
    } expected[] = {
        { 256, 0, { { 7, 10, 0.1 } } },
        { 256, 256, { { 7, 44, 0.3 }, { 7, 255, 0.5 } } },
        { 88, 512, { { 9, 87, 0.9 }, { 9, 188, 1.0 } } },
    };
    for (size_t i = 0; i < pieces.size(); ++i)
    {
        SCOPED_TRACE (i);
        const auto& piece = pieces[i];
        EXPECT_EQ (piece.numSamples, expected[i].numSamples);
        EXPECT_EQ (piece.firstInput, host.audio[0].data() + expected[i].start);
        EXPECT_EQ (piece.points, expected[i].points);
        EXPECT_EQ (piece.hasEvents, i == 0) << "events belong to the block's start";
        EXPECT_EQ (piece.reportsChanges, i == pieces.size() - 1) << "the plug-in reports back once a block";
        ASSERT_TRUE (piece.hasContext);
        EXPECT_EQ (piece.context.projectTimeSamples, 1000 + expected[i].start);
        EXPECT_EQ (piece.context.continousTimeSamples, 5000 + expected[i].start);
        EXPECT_DOUBLE_EQ (piece.context.projectTimeMusic, 3.99 + expected[i].start / 24000.0);
        EXPECT_EQ (piece.context.tempo, 120.0);
    }
    EXPECT_EQ (pieces[0].context.barPositionMusic, 0.0);
    EXPECT_EQ (pieces[2].context.barPositionMusic, 4.0) << "the third piece starts in the next bar";
}

TEST (BlockGuard, PassesBlocksThatFitStraightThrough)
{
    for (const int32 length : { 1, 255, 256 })
    {
        GuardedHost host (256);
        host.changes.queues.resize (1);
        host.changes.queues[0].points = { { 0, 0.5 }, { length - 1, 0.25 } };
        ASSERT_EQ (host.send (length), Steinberg::kResultTrue);
        ASSERT_EQ (host.wrapper.pieces.size(), 1u);
        EXPECT_EQ (host.wrapper.pieces[0].numSamples, length);
        EXPECT_EQ (host.wrapper.pieces[0].points.size(), 2u);
        EXPECT_TRUE (host.wrapper.pieces[0].reportsChanges);
    }
}
