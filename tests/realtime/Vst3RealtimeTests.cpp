#include "RealtimeChecker.h"
#include "../Vst3HostFixture.h"

#include "hosts/TestSignal.h"

#include <functional>

// The built TARNGLOAM.vst3 in the VST3 SDK host, with the C library watched while the host's
// process call runs: everything JUCE's wrapper, the block guard and the plug-in do on the audio
// thread. The locks allowed are JUCE's own, listed with their reasons in DEVELOPERS.md: the
// wrapper holds the processor's callback lock around every processBlock it makes, and a parameter
// the host's automation changes notifies its listeners under two framework locks (the parameter's
// listener lock and the tree state's adapter). The plug-in's own code takes none.
using namespace vst3_host_tests;

namespace
{
struct Case
{
    const char* name;
    vst::SpeakerArrangement ins, outs;
    int announced, blockLength;
};

int numChannels (vst::SpeakerArrangement arrangement) { return arrangement == speakers::kMono ? 1 : 2; }

// A host's audio thread for `blocks` blocks, every knob moved in every block (with a point at a
// different offset) when `automate`, and `betweenBlocks` done on the message thread after each.
realtime::Counts runBlocks (hosts::Vst3Instance& instance, const Case& c, int blocks, bool automate,
                            const std::function<void (int)>& betweenBlocks)
{
    const auto input = hosts::makeTestSignal (numChannels (c.ins), c.blockLength, 48000.0, 3);
    auto inputCopy = input;
    hosts::Audio output;
    output.channels.assign (static_cast<size_t> (numChannels (c.outs)), std::vector<float> (static_cast<size_t> (c.blockLength)));
    std::vector<float*> ins, outs;
    for (auto& channel : inputCopy.channels)
        ins.push_back (channel.data());
    for (auto& channel : output.channels)
        outs.push_back (channel.data());

    realtime::Counts counts;
    for (int block = 0; block < blocks; ++block)
    {
        hosts::ParameterChanges changes;
        for (const auto& info : tarngloam::parameterTable)
            if (automate)
                changes.add (instance.parameterId (info.name), (block * 37 + tarngloam::indexOf (info.parameter) * 101) % c.blockLength,
                         std::fmod (0.137 * block + 0.23 * tarngloam::indexOf (info.parameter), 1.0));
        {
            const realtime::AudioThreadScope scope (counts);
            instance.process (ins, outs, c.blockLength, &changes);
        }
        betweenBlocks (block);
    }
    return counts;
}
} // namespace

TEST_F (Vst3Host, AudioThreadAllocatesSleepsAndTouchesNoFileAndTakesOnlyTheFrameworksLocks)
{
    const Case cases[] = {
        { "stereo", speakers::kStereo, speakers::kStereo, 256, 256 },
        { "mono", speakers::kMono, speakers::kMono, 64, 64 },
        { "mono to stereo", speakers::kMono, speakers::kStereo, 512, 100 },
        { "oversized, through the guard", speakers::kStereo, speakers::kStereo, 256, 4096 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto instance = instantiate();
        ASSERT_TRUE (instance->setBuses (c.ins, c.outs));
        ASSERT_TRUE (instance->prepare (48000.0, c.announced));
        const auto saved = instance->saveState();

        const int blocks = 60;
        for (const bool automate : { false, true })
        {
            SCOPED_TRACE (automate ? "every knob automated" : "still knobs");
            const auto counts = runBlocks (*instance, c, blocks, automate, [&] (int block) {
                // The message thread: a project reload now and then, and once a new sample rate.
                if (block % 7 == 3)
                    EXPECT_TRUE (instance->restoreState (saved));
                if (block == blocks / 2)
                {
                    instance->stop();
                    EXPECT_TRUE (instance->prepare (block % 2 == 0 ? 96000.0 : 44100.0, c.announced));
                }
            });

            EXPECT_EQ (counts.allocations, 0u);
            EXPECT_EQ (counts.deallocations, 0u);
            EXPECT_EQ (counts.waits, 0u);
            EXPECT_EQ (counts.sleeps, 0u);
            EXPECT_EQ (counts.fileAccesses, 0u);

            // The callback lock once for each wrapper call (a block, or each announced-length piece
            // of an oversized one), and two listener locks for each of the four knobs automated.
            const int piecesPerBlock = (c.blockLength + c.announced - 1) / c.announced;
            const int parameterLocks = automate ? 2 * static_cast<int> (tarngloam::parameterTable.size()) : 0;
            EXPECT_EQ (counts.locks, static_cast<std::size_t> (blocks * (piecesPerBlock + parameterLocks)));
            EXPECT_EQ (counts.numMutexes, static_cast<std::size_t> (1 + parameterLocks));
        }
    }
}

TEST_F (Vst3Host, TheCheckerSeesInsideTheLoadedBundle)
{
    // Restoring a state makes the plug-in parse XML: done inside a scope, its allocations are seen,
    // so the bundle's calls do reach the checker.
    auto instance = instantiate();
    ASSERT_TRUE (instance->prepare (48000.0, 256));
    const auto saved = instance->saveState();
    realtime::Counts counts;
    {
        const realtime::AudioThreadScope scope (counts);
        EXPECT_TRUE (instance->restoreState (saved));
    }
    EXPECT_GT (counts.allocations, 0u);
}
