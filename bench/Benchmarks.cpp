// Speed of each effect module alone and of the whole processor, 48 kHz stereo, at several block
// sizes. Counters: time per stereo sample, and the realtime factor (audio seconds per CPU second).
// BM_MovingKnob times single blocks of the whole processor while one knob sweeps (or none moves),
// and reports the median and the worst block.

#include "plugin/PluginProcessor.h"
#include "testbed/ProcessorDriver.h"

#include <benchmark/benchmark.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>
#include <juce_events/juce_events.h>

namespace
{
constexpr double sampleRate = 48000.0;

// Each module runs at the control its parameter's default gives, as in the whole processor.
float defaultControl (tarngloam::Parameter parameter)
{
    return tarngloam::infoOf (parameter).defaultPercent * 0.01f;
}

juce::AudioBuffer<float> makeInput (int numSamples)
{
    juce::AudioBuffer<float> buffer (2, numSamples);
    juce::Random random (7);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample (ch, i,
                              0.5f * std::sin (static_cast<float> (i) * 0.031f + static_cast<float> (ch))
                                  + 0.2f * (random.nextFloat() - 0.5f));
    return buffer;
}

void reportCounters (benchmark::State& state, int blockSize)
{
    const double frames = static_cast<double> (state.iterations()) * blockSize;
    state.counters["per_stereo_sample"] = benchmark::Counter (frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["realtime_factor"] = benchmark::Counter (frames / sampleRate, benchmark::Counter::kIsRate);
}

// Runs `processBlock` on a fresh copy of a fixed stereo block every iteration; the copy keeps the
// signal level steady, and is a small part of the cost.
template <typename Setup, typename Process>
void runBlocks (benchmark::State& state, Setup&& setup, Process&& process)
{
    const int blockSize = static_cast<int> (state.range (0));
    setup (blockSize);
    const auto input = makeInput (blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);

    for (int i = 0; i < 200; ++i) // let every control ramp settle first
    {
        buffer.makeCopyOf (input, true);
        process (buffer);
    }

    for (auto _ : state)
    {
        for (int ch = 0; ch < 2; ++ch)
            buffer.copyFrom (ch, 0, input, ch, 0, blockSize);
        process (buffer);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        benchmark::ClobberMemory();
    }
    reportCounters (state, blockSize);
}

// One module alone, its controls set every block as the processor sets them.
template <typename Module>
void runModule (benchmark::State& state, const typename Module::Controls& controls)
{
    Module module;
    runBlocks (state, [&] (int block) { module.prepare ({ sampleRate, block }); },
               [&] (auto& buffer) {
                   module.setControls (controls);
                   module.process (buffer, 2);
               });
}

using tarngloam::Parameter;

void BM_Bleed (benchmark::State& state) { runModule<BleedModule> (state, { defaultControl (Parameter::bleed) }); }
void BM_Fuzz (benchmark::State& state) { runModule<FuzzModule> (state, { defaultControl (Parameter::fuzz) }); }
void BM_Grain (benchmark::State& state)
{
    runModule<GrainModule> (state, { defaultControl (Parameter::grain), 24000.0f });
}
void BM_Age (benchmark::State& state) { runModule<AgeModule> (state, { defaultControl (Parameter::age) }); }
void BM_Reverb (benchmark::State& state)
{
    runModule<ReverbModule> (state, { 0.5f, defaultControl (Parameter::age) });
}

void BM_Processor (benchmark::State& state)
{
    TarnGloamAudioProcessor processor; // every parameter at its default
    juce::MidiBuffer midi;
    runBlocks (state,
               [&] (int block) {
                   if (! tarngloam::driver::prepare (processor, 2, 2, sampleRate, block))
                       state.SkipWithError ("stereo refused");
               },
               [&] (auto& buffer) { processor.processBlock (buffer, midi); });
}

// The whole processor one block at a time while the knob numbered state.range (0) (in
// parameterTable order; -1 for none) sweeps up and down, set every block as host automation sets
// it. Each block is timed on its own: counters median_ns and worst_ns.
void BM_MovingKnob (benchmark::State& state)
{
    const int knob = static_cast<int> (state.range (0));
    const int blockSize = static_cast<int> (state.range (1));
    TarnGloamAudioProcessor processor; // every parameter at its default
    if (! tarngloam::driver::prepare (processor, 2, 2, sampleRate, blockSize))
        state.SkipWithError ("stereo refused");
    juce::AudioProcessorParameter* moving = knob < 0 ? nullptr
                                                     : &processor.parameterOf (tarngloam::parameterTable[static_cast<size_t> (knob)].parameter);

    const auto input = makeInput (blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (int i = 0; i < 2000 / blockSize + 50; ++i) // let every control ramp settle first
    {
        buffer.makeCopyOf (input, true);
        processor.processBlock (buffer, midi);
    }

    std::vector<double> nanoseconds;
    nanoseconds.reserve (static_cast<size_t> (state.max_iterations));
    int block = 0;
    for (auto _ : state)
    {
        buffer.makeCopyOf (input, true);
        if (moving != nullptr) // 0 .. 100 % and back over about a second
            moving->setValueNotifyingHost (0.5f - 0.5f * std::cos (static_cast<float> (block) * static_cast<float> (blockSize) * 6.2831855f / 48000.0f));
        ++block;

        const auto start = std::chrono::steady_clock::now();
        processor.processBlock (buffer, midi);
        const auto elapsed = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        state.SetIterationTime (elapsed);
        nanoseconds.push_back (elapsed * 1.0e9);
    }

    std::sort (nanoseconds.begin(), nanoseconds.end());
    if (! nanoseconds.empty())
    {
        state.counters["median_ns"] = nanoseconds[nanoseconds.size() / 2];
        state.counters["worst_ns"] = nanoseconds.back();
    }
}

void movingKnobs (benchmark::internal::Benchmark* benchmark)
{
    for (int blockSize : { 1, 16, 32, 64 })
        for (int knob = -1; knob < static_cast<int> (tarngloam::parameterTable.size()); ++knob)
            benchmark->Args ({ knob, blockSize });
    benchmark->ArgNames ({ "knob", "block" })->UseManualTime()->Unit (benchmark::kMicrosecond);
}

void blockSizes (benchmark::internal::Benchmark* benchmark)
{
    for (int size : { 32, 64, 512, 4096 })
        benchmark->Arg (size);
    benchmark->Unit (benchmark::kMicrosecond);
}
} // namespace

BENCHMARK (BM_Bleed)->Apply (blockSizes);
BENCHMARK (BM_Fuzz)->Apply (blockSizes);
BENCHMARK (BM_Grain)->Apply (blockSizes);
BENCHMARK (BM_Age)->Apply (blockSizes);
BENCHMARK (BM_Reverb)->Apply (blockSizes);
BENCHMARK (BM_Processor)->Apply (blockSizes);
BENCHMARK (BM_MovingKnob)->Apply (movingKnobs);

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
