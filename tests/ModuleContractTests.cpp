#include "ModuleTestHelpers.h"

using namespace testing_support;

// What every effect module promises the processor about the blocks it is handed. Each module is
// fully on (control 1), so that one which did process a block would change it.
namespace
{
template <typename Module>
void checkBlockContract (const char* name)
{
    SCOPED_TRACE (name);
    const auto input = makeTestBuffer (2, 2048, 3);

    // Before the first prepare there are no delay lines: the block is left exactly as it came.
    Module unprepared;
    settleControl (unprepared, 1.0f);
    EXPECT_FALSE (unprepared.isPrepared());
    auto untouched = copyOf (input);
    unprepared.process (untouched, 2);
    EXPECT_TRUE (buffersIdentical (untouched, input));

    // An empty block moves no state: what follows sounds as if it had never come.
    auto withEmptyBlock = settledModule<Module> (1.0f);
    auto without = settledModule<Module> (1.0f);
    EXPECT_TRUE (withEmptyBlock.isPrepared());
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
