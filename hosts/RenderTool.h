#pragma once

#include "hosts/FloatWavFile.h"
#include "plugin/ParameterTable.h"

#include <optional>
#include <string>
#include <vector>

// tarngloam-render as the hosts' reference: the same audio rendered without a host in between.
namespace hosts
{
// Runs tarngloam-render on `input` with the given extra options and returns what it wrote, or
// nothing when it failed. `scratchDirectory` must exist.
std::optional<Audio> renderWithTool (const std::string& tool, const Audio& input, const std::vector<std::string>& options,
                                     const std::string& scratchDirectory);

// tarngloam-render's options for a raw render comparable with a host's blocks: the four knobs,
// the block size, and no latency trim or tail.
std::vector<std::string> rawRenderOptions (const tarngloam::ParameterValues& percents, int blockSize);
} // namespace hosts
