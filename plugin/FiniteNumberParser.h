#pragma once

#include <juce_core/juce_core.h>

namespace tarngloam
{
// Reads a decimal number the way a saved state and the command line spell it: optional spaces
// around it, an optional sign (one '+' or one '-'), digits with an optional fraction and exponent.
// Locale-independent; false for anything else, including NaN, infinities and overflow.
bool parseFiniteNumber (const juce::String& text, double& result);
} // namespace tarngloam
