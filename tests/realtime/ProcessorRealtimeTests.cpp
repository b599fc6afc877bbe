#include "RealtimeChecker.h"

#include "plugin/PluginProcessor.h"
#include "testbed/ProcessorDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

// The processor on a real audio thread of its own, as a host drives it, with the C library watched
// for every heap, lock, wait, sleep and file call that thread makes while inside processBlock.
namespace
{
using namespace tarngloam;

// The host's audio thread: runs `block` whenever the message thread asks, and nothing else; only
// the calls inside `block` are watched. The handshake spins, so that it takes no lock itself.
class AudioThread
{
public:
    explicit AudioThread (std::function<void()> blockToRun)
        : block (std::move (blockToRun)), thread ([this] { run(); })
    {
    }

    ~AudioThread()
    {
        quit = true;
        thread.join();
    }

    // Runs one block on the audio thread and returns once it is done.
    void processOneBlock()
    {
        requested.fetch_add (1);
        while (done.load() != requested.load())
            std::this_thread::yield();
    }

    realtime::Counts counts;

private:
    void run()
    {
        while (! quit)
        {
            if (done.load() == requested.load())
            {
                std::this_thread::yield();
                continue;
            }
            {
                const realtime::AudioThreadScope scope (counts);
                block();
            }
            done.fetch_add (1);
        }
    }

    std::function<void()> block;
    std::atomic<int> requested { 0 }, done { 0 };
    std::atomic<bool> quit { false };
    std::thread thread;
};

// A value for each knob that changes every block.
ParameterValues automatedPercents (int block)
{
    ParameterValues percents {};
    for (size_t i = 0; i < percents.size(); ++i)
        percents[i] = std::fmod (13.7f * static_cast<float> (block) + 23.0f * static_cast<float> (i), 100.0f);
    return percents;
}

// No heap, wait, sleep or file call; the only locks are the framework's two listener locks for each
// automated parameter change (see DEVELOPERS.md): processBlock itself takes none.
void expectRealTimeSafe (const realtime::Counts& counts, int blocks, bool automate)
{
    EXPECT_EQ (counts.allocations, 0u);
    EXPECT_EQ (counts.deallocations, 0u);
    EXPECT_EQ (counts.waits, 0u);
    EXPECT_EQ (counts.sleeps, 0u);
    EXPECT_EQ (counts.fileAccesses, 0u);
    const std::size_t parameterLocks = automate ? 2 * parameterTable.size() : 0;
    EXPECT_EQ (counts.locks, static_cast<std::size_t> (blocks) * parameterLocks);
    EXPECT_EQ (counts.numMutexes, parameterLocks);
}

// A processor with a fault planted in its processBlock, to show that the checker sees it.
template <typename Fault>
class FaultyProcessor : public TarnGloamAudioProcessor
{
public:
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override
    {
        TarnGloamAudioProcessor::processBlock (buffer, midi);
        fault();
    }

    Fault fault;
};

struct PlantedMalloc
{
    void operator()() const
    {
        void* block = std::malloc (64);
        touch (block);
        std::free (block);
    }
    static void touch (void* block) { static_cast<volatile char*> (block)[0] = 1; }
};

struct PlantedMutex
{
    void operator()() { const std::lock_guard<std::mutex> hold (mutex); }
    std::mutex mutex;
};

// Runs `blocks` blocks of `processor` on an audio thread, with all four knobs automated in every
// block when `automate` (on the audio thread, as a wrapper hands on the host's automation) and
// `betweenBlocks` called on the message thread after each.
template <typename Processor>
realtime::Counts runBlocks (Processor& processor, int numChannels, int blockSize, int blocks, bool automate = false,
                            const std::function<void (int)>& betweenBlocks = {})
{
    juce::AudioBuffer<float> buffer (numChannels, blockSize);
    juce::MidiBuffer midi;
    int block = 0;
    AudioThread audio ([&] {
        const auto percents = automatedPercents (block);
        for (const auto& info : parameterTable)
            if (automate)
                processor.parameterOf (info.parameter).setValueNotifyingHost (percents[indexOf (info.parameter)] / maximumPercent);
        for (int ch = 0; ch < numChannels; ++ch)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (ch, i, 0.5f * std::sin (0.01f * static_cast<float> (block * blockSize + i)));
        processor.processBlock (buffer, midi);
    });
    for (block = 0; block < blocks; ++block)
    {
        audio.processOneBlock();
        if (betweenBlocks)
            betweenBlocks (block);
    }
    return audio.counts;
}
} // namespace

TEST (RealtimeChecker, SeesAPlantedMallocAndAPlantedMutex)
{
    FaultyProcessor<PlantedMalloc> allocating;
    ASSERT_TRUE (driver::prepare (allocating, 2, 2, 48000.0, 64));
    const auto allocations = runBlocks (allocating, 2, 64, 3);
    EXPECT_EQ (allocations.allocations, 3u);
    EXPECT_EQ (allocations.deallocations, 3u);

    FaultyProcessor<PlantedMutex> locking;
    ASSERT_TRUE (driver::prepare (locking, 2, 2, 48000.0, 64));
    const auto locks = runBlocks (locking, 2, 64, 3);
    EXPECT_EQ (locks.locks, 3u);
    EXPECT_EQ (locks.numMutexes, 1u);
    EXPECT_EQ (locks.mutexes[0], locking.fault.mutex.native_handle());
}

TEST (Realtime, ProcessBlockNeitherAllocatesNorLocksNorSleepsInAnyLayout)
{
    const struct
    {
        int ins, outs, blockSize;
    } cases[] = { { 1, 1, 64 }, { 1, 2, 32 }, { 2, 2, 512 }, { 2, 2, 1 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (testing::Message() << c.ins << " -> " << c.outs << ", blocks of " << c.blockSize);
        TarnGloamAudioProcessor processor;
        ASSERT_TRUE (driver::prepare (processor, c.ins, c.outs, 48000.0, c.blockSize));
        driver::FixedTempoPlayHead playHead (97.0);
        processor.setPlayHead (&playHead);
        for (const bool automate : { false, true })
            expectRealTimeSafe (runBlocks (processor, c.outs, c.blockSize, 200, automate), 200, automate);
        // The automation did reach the processor: each knob holds the last block's value.
        for (const auto& info : parameterTable)
            EXPECT_NEAR (processor.rawValueOf (info.parameter).load(), automatedPercents (199)[indexOf (info.parameter)], 0.05f);
    }
}

TEST (Realtime, StateRestoredAndRePreparedBetweenBlocksCostsTheAudioThreadNothing)
{
    TarnGloamAudioProcessor processor;
    ASSERT_TRUE (driver::prepare (processor, 2, 2, 44100.0, 256));

    juce::MemoryBlock savedState;
    {
        TarnGloamAudioProcessor other;
        driver::setAllPercent (other, { 10.0f, 90.0f, 33.3f, 71.0f });
        other.getStateInformation (savedState);
    }

    const auto counts = runBlocks (processor, 2, 256, 120, true, [&] (int block) {
        // The message thread: a project reload every few blocks, a new sample rate now and then.
        if (block % 3 == 0)
            processor.setStateInformation (savedState.getData(), static_cast<int> (savedState.getSize()));
        if (block % 40 == 39)
            processor.prepareToPlay (block % 80 == 39 ? 96000.0 : 44100.0, 256);
    });
    expectRealTimeSafe (counts, 120, true);
}
