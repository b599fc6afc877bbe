#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

// JUCE's message manager and singletons live for the whole test run.
int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
