#include "RealtimeChecker.h"
#include "../Lv2HostFixture.h"

#include "hosts/TestSignal.h"

#include <cmath>

// The built TARNGLOAM.lv2 in the lilv host, with the C library watched while the plug-in's run()
// works: JUCE's LV2 wrapper and the plug-in on the audio thread, with every knob automated by
// patch:Set messages and the state restored and the instance re-activated between blocks.
using namespace lv2_host_tests;

TEST_F (Lv2Host, RunAllocatesSleepsAndTouchesNoFileAndTakesOnlyTheFrameworksLocks)
{
    const int blockLength = 256;
    auto instance = instantiate (blockLength);
    LilvState* saved = instance->saveState();
    ASSERT_NE (saved, nullptr);

    const auto input = hosts::makeTestSignal (2, blockLength, rate, 5);
    hosts::Audio output = input;
    const std::vector<const float*> ins { input.channels[0].data(), input.channels[1].data() };
    const std::vector<float*> outs { output.channels[0].data(), output.channels[1].data() };

    const int blocks = 60;
    for (const bool automate : { false, true })
    {
        SCOPED_TRACE (automate ? "every knob automated" : "still knobs");
        realtime::Counts counts;
        for (int block = 0; block < blocks; ++block)
        {
            if (automate)
                for (const auto& info : tarngloam::parameterTable)
                    instance->setParameter (parameterUri (info.parameter),
                                            std::fmod (13.7f * static_cast<float> (block) + 23.0f * static_cast<float> (tarngloam::indexOf (info.parameter)), 100.0f));
            instance->connectBlock (ins, outs);
            {
                const realtime::AudioThreadScope scope (counts);
                instance->runPlugin (blockLength);
            }
            instance->finishBlock();

            // The message thread: a session reload now and then, and once a restart of the instance.
            if (block % 7 == 3)
                instance->restoreState (saved);
            if (block == blocks / 2)
            {
                lilv_instance_deactivate (instance->instance());
                lilv_instance_activate (instance->instance());
            }
        }

        EXPECT_EQ (counts.allocations, 0u);
        EXPECT_EQ (counts.deallocations, 0u);
        EXPECT_EQ (counts.waits, 0u);
        EXPECT_EQ (counts.sleeps, 0u);
        EXPECT_EQ (counts.fileAccesses, 0u);
        const int parameterLocks = automate ? 2 * static_cast<int> (tarngloam::parameterTable.size()) : 0;
        EXPECT_EQ (counts.locks, static_cast<std::size_t> (blocks * (1 + parameterLocks)));
        EXPECT_EQ (counts.numMutexes, static_cast<std::size_t> (1 + parameterLocks));
    }
    lilv_state_free (saved);
}
