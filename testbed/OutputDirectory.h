#pragma once

#include <juce_core/juce_core.h>

#include <optional>

namespace tarngloam
{
// The folder a tool writes into (relative paths from the working directory), created when it does
// not exist yet; nothing, after saying why on stderr, when it cannot be created.
std::optional<juce::File> createOutputDirectory (const char* toolName, const char* path);
} // namespace tarngloam
