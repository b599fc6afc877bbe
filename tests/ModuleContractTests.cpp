#include "ModuleProbe.h"
#include "ModuleTestHelpers.h"

using namespace testing_support;

// What every effect module promises the processor, checked for all five through the one contract.
namespace
{
// Every block, as the processor does, with the module's controls held still.
template <typename Module>
void processStill (Module& module, const typename Module::Controls& controls, juce::AudioBuffer<float>& block)
{
    module.setControls (controls);
    module.process (block, 2);
}

// Unprepared, empty and narrow blocks. Each module is fully on (control 1), so that one which did
// process a block would change it.
template <typename Module>
void checkBlockContract (const char* name)
{
    SCOPED_TRACE (name);
    const auto input = makeTestBuffer (2, 2048, 3);

    // Before the first prepare there are no delay lines: the block is left exactly as it came.
    Module unprepared;
    settleControl (unprepared, 1.0f);
    EXPECT_FALSE (ModuleProbe::isPrepared (unprepared));
    auto untouched = copyOf (input);
    unprepared.process (untouched, 2);
    EXPECT_TRUE (buffersIdentical (untouched, input));

    // An empty block moves no state: what follows sounds as if it had never come.
    auto withEmptyBlock = settledModule<Module> (1.0f);
    auto without = settledModule<Module> (1.0f);
    EXPECT_TRUE (ModuleProbe::isPrepared (withEmptyBlock));
    juce::AudioBuffer<float> empty (2, 0);
    withEmptyBlock.process (empty, 2);
    auto a = copyOf (input), b = copyOf (input);
    withEmptyBlock.process (a, 2);
    without.process (b, 2);
    EXPECT_TRUE (buffersIdentical (a, b));
    EXPECT_FALSE (buffersIdentical (a, input)) << "the module is on, so it changes the block";

    // A mono buffer asked for two channels gets one: nothing is read or written past it.
    auto mono = settledModule<Module> (1.0f);
    auto monoBuffer = makeTestBuffer (1, 512, 4);
    mono.process (monoBuffer, 2);
    for (int i = 0; i < 512; ++i)
        ASSERT_TRUE (std::isfinite (monoBuffer.getSample (0, i)));

    // One channel asked of a stereo buffer: the second is left exactly as it was; no channel asked:
    // the whole buffer is.
    for (int numChannels : { 1, 0 })
    {
        auto module = settledModule<Module> (1.0f);
        auto stereo = copyOf (input);
        module.process (stereo, numChannels);
        EXPECT_TRUE (bitIdentical (stereo.getReadPointer (1), input.getReadPointer (1), input.getNumSamples()));
        if (numChannels == 0)
        {
            EXPECT_TRUE (buffersIdentical (stereo, input));
        }
    }
}

// Turned on, back to 0 and settled, a module passes its input through bit for bit, `delay` samples
// late, while its state runs on underneath: `position` (a write position) still moves.
template <typename Module, typename ReadPosition>
void checkPassThroughAfterReturningToZero (const char* name, int delay, ReadPosition position)
{
    SCOPED_TRACE (name);
    Module module;
    module.prepare ({ 44100.0, 512 });
    auto warmUp = makeTestBuffer (2, 4096, 3);
    module.setControls ({ 0.7f });
    module.process (warmUp, 2);
    // Every ramp is shorter than 4096 samples at 44.1 kHz; the fuzz, which reads its control once
    // per block, glides its mix to 0 across the block after.
    module.setControls ({ 0.0f });
    module.process (warmUp, 2);
    module.process (warmUp, 2);

    const int n = 6000;
    const auto input = makeTestBuffer (2, n, 5);
    auto output = copyOf (input);
    const int before = position (module);
    module.process (output, 2);

    for (int ch = 0; ch < 2; ++ch)
        EXPECT_TRUE (bitIdentical (output.getReadPointer (ch) + delay, input.getReadPointer (ch), n - delay)) << ch;
    EXPECT_NE (position (module), before) << "state keeps running underneath";
}

// With still controls the output does not depend on how the host cuts the blocks, once the first
// block has brought the fuzz's mix to its target. Returns the output for further checks.
template <typename Module>
juce::AudioBuffer<float> checkPartitionDoesNotMatter (const char* name, const typename Module::Controls& controls,
                                                      std::initializer_list<int> partition)
{
    SCOPED_TRACE (name);
    Module whole, pieces;
    for (auto* module : { &whole, &pieces })
    {
        module->prepare ({ 44100.0, 512 });
        module->setControls (controls);
        module->reset();
        auto warmUp = makeTestBuffer (2, 512, 3);
        processStill (*module, controls, warmUp);
    }

    const auto input = makeTestBuffer (2, 20000, 7);
    auto wholeOutput = copyOf (input);
    processStill (whole, controls, wholeOutput);
    auto piecesOutput = copyOf (input);
    processInBlocks (piecesOutput, partition, [&] (auto& block) { processStill (pieces, controls, block); });
    EXPECT_TRUE (buffersIdentical (wholeOutput, piecesOutput));
    return wholeOutput;
}
} // namespace

TEST (Modules, BlocksBeforePrepareEmptyBlocksAndNarrowBuffers)
{
    checkBlockContract<BleedModule> ("bleed");
    checkBlockContract<FuzzModule> ("fuzz");
    checkBlockContract<GrainModule> ("grain");
    checkBlockContract<AgeModule> ("age");
    checkBlockContract<ReverbModule> ("reverb");
}

TEST (Modules, BackAtZeroTheInputPassesThroughWhileStateRuns)
{
    checkPassThroughAfterReturningToZero<BleedModule> ("bleed", 0, [] (auto& m) { return ModuleProbe::writeIndex (m); });
    checkPassThroughAfterReturningToZero<FuzzModule> ("fuzz", FuzzModule::latencySamples,
                                                      [] (auto& m) { return ModuleProbe::dryDelayIndex (m); });
    checkPassThroughAfterReturningToZero<GrainModule> ("grain", 0, [] (auto& m) { return ModuleProbe::writeIndex (m); });
    checkPassThroughAfterReturningToZero<AgeModule> ("age", AgeModule::latencySamples,
                                                     [] (auto& m) { return ModuleProbe::writeIndex (m); });
    // The reverb's first control is its wet level.
    checkPassThroughAfterReturningToZero<ReverbModule> ("reverb", 0,
                                                        [] (auto& m) { return ModuleProbe::lineWriteIndices (m)[0]; });
}

TEST (Modules, OutputDoesNotDependOnBlockPartition)
{
    checkPartitionDoesNotMatter<BleedModule> ("bleed", { 0.8f }, { 1, 7, 128, 4096, 3, 1000, 513 });
    checkPartitionDoesNotMatter<FuzzModule> ("fuzz", { 0.7f }, { 1, 7, 128, 4096, 0, 5, 2000 });
    checkPartitionDoesNotMatter<GrainModule> ("grain", { 0.45f }, { 1, 7, 128, 4096, 0, 33, 999 });
    const auto aged = checkPartitionDoesNotMatter<AgeModule> ("age", { 0.66f }, { 1, 7, 128, 4096, 0, 2 });
    EXPECT_LE (aged.getMagnitude (0, aged.getNumSamples()), 1.0f) << "the age module's make-up gain stays in bounds";
    checkPartitionDoesNotMatter<ReverbModule> ("reverb", { 0.5f, 0.3f }, { 1, 7, 128, 4096, 0, 11 });
}
