#include "AllocationCounter.h"
#include "EditorTestHelpers.h"
#include "TestHelpers.h"

#include "editor/PluginEditor.h"

#include <atomic>
#include <thread>

using namespace testing_support;

// What a DAW does to the processor from two threads at once. The audio thread processes block after
// block; the message thread, meanwhile, automates the four parameters, opens and closes the editor
// and drags its knobs, saves and restores the state, and now and then stops the audio to prepare
// again at another rate and block size. Under ThreadSanitizer (scripts/build.sh tsan, JUCE included)
// any race is reported; in every build the audio must stay finite and within ±1 (every parameter
// stays above 0, so the output stage is always on) and the audio thread must not allocate.
namespace
{
class AudioThread
{
public:
    explicit AudioThread (TarnGloamAudioProcessor& processorToRun) : processor (processorToRun) {}
    ~AudioThread() { stop(); }

    void start (int blockSize)
    {
        running = true;
        thread = std::thread ([this, blockSize] { run (blockSize); });
    }

    void stop()
    {
        running = false;
        if (thread.joinable())
            thread.join();
    }

    std::atomic<long> blocks { 0 }, allocations { 0 }, badSamples { 0 };

private:
    void run (int blockSize)
    {
        juce::AudioBuffer<float> buffer (2, blockSize);
        juce::MidiBuffer midi;
        uint32_t noise = 12345;
        while (running)
        {
            // A loud signal, so the output stage has work to do.
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < blockSize; ++i)
                {
                    noise = noise * 1664525u + 1013904223u;
                    buffer.setSample (ch, i, static_cast<float> (static_cast<int32_t> (noise)) * (2.0f / 2147483648.0f));
                }

            std::size_t allocated = 0;
            {
                const ScopedAllocationCount counter;
                processor.processBlock (buffer, midi);
                allocated = counter.count();
            }
            allocations += static_cast<long> (allocated);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < blockSize; ++i)
                    if (const float s = buffer.getSample (ch, i); ! std::isfinite (s) || std::abs (s) > 1.0f)
                        ++badSamples;
            ++blocks;
        }
    }

    TarnGloamAudioProcessor& processor;
    std::atomic<bool> running { false };
    std::thread thread;
};

void pumpMessages (int milliseconds) { juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds); }
} // namespace

TEST (Concurrency, AudioRunsWhileTheHostAutomatesEditsSavesAndPrepares)
{
    TarnGloamAudioProcessor processor;
    ASSERT_TRUE (tarngloam::driver::prepare (processor, 2, 2, 48000.0, 256));
    AudioThread audio (processor);
    audio.start (256);

    juce::Random random (2026);
    juce::MemoryBlock savedState;
    const double rates[] = { 44100.0, 48000.0, 96000.0 };
    const int blockSizes[] = { 64, 256, 1024 };
    const auto end = juce::Time::getMillisecondCounter() + 4000;

    for (int round = 0; juce::Time::getMillisecondCounter() < end; ++round)
    {
        // Automation, as a host plays it back: every parameter stays above 0.
        for (auto* parameter : processor.getParameters())
            parameter->setValueNotifyingHost (0.01f + random.nextFloat() * 0.99f);

        if (round % 10 == 0)
        {
            // The user opens the editor and turns a knob or two.
            auto editor = std::make_unique<TarnGloamAudioProcessorEditor> (processor);
            pumpMessages (5);
            drag (editor->panel.fuzzSlider, { 0.0f, -30.0f });
            drag (editor->panel.ageSlider, { 0.0f, 20.0f });
            pumpMessages (5);
            editor.reset();
        }

        if (round % 7 == 0)
            processor.getStateInformation (savedState);
        if (round % 7 == 3 && savedState.getSize() > 0)
            processor.setStateInformation (savedState.getData(), static_cast<int> (savedState.getSize()));

        if (round % 25 == 24)
        {
            // The host stops, prepares at another rate and block size, and starts again.
            audio.stop();
            const int block = blockSizes[round % 3];
            processor.releaseResources();
            ASSERT_TRUE (tarngloam::driver::prepare (processor, 2, 2, rates[(round / 25) % 3], block));
            audio.start (block);
        }
        pumpMessages (2);
    }
    audio.stop();

    EXPECT_GT (audio.blocks.load(), 100);
    EXPECT_EQ (audio.badSamples.load(), 0) << "samples not finite or beyond ±1";
    EXPECT_EQ (audio.allocations.load(), 0) << "the audio thread allocated";
}
