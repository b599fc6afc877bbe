#include "testbed/OutputDirectory.h"

#include <iostream>

namespace tarngloam
{
std::optional<juce::File> createOutputDirectory (const char* toolName, const char* path)
{
    const auto directory = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    if (! directory.createDirectory())
    {
        std::cerr << toolName << ": cannot create " << directory.getFullPathName() << std::endl;
        return std::nullopt;
    }
    return directory;
}
} // namespace tarngloam
