#pragma once

#include <juce_core/juce_core.h>

namespace tarngloam::offline
{
// What the chunk list of a WAV or AIFF file says, read before JUCE's readers see the file.
struct AudioFileHeaderFacts
{
    const char* damage = nullptr; // why the chunk list cannot be trusted; none when it can
    int channels = -1;            // from the format chunk; -1 when there is none
};

// JUCE's WAV and AIFF readers allocate a metadata chunk (bext, smpl, cue, MARK, ...) at the size
// its header claims before reading it, so a damaged header could ask for gigabytes; and they
// build a channel layout for whatever channel count a header claims. JUCE's AIFF reader also
// trusts the entry count of a MARK or COMT chunk and reads on past the chunk for up to 65535
// entries, four metadata strings each: a 72-byte file cost almost a second and 80 MB. Walks the
// RIFF or IFF chunk list first, so that such a file is refused before any of this happens.
// The stream is left at its start.
AudioFileHeaderFacts inspectAudioFileHeader (juce::InputStream& stream);
} // namespace tarngloam::offline
