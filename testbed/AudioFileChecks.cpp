#include "testbed/AudioFileChecks.h"

#include <cstring>
#include <utility>

namespace tarngloam::offline
{
AudioFileHeaderFacts inspectAudioFileHeader (juce::InputStream& stream)
{
    AudioFileHeaderFacts facts;
    const auto total = stream.getTotalLength();
    char form[12] {};
    if (total < 12 || stream.read (form, 12) != 12)
    {
        stream.setPosition (0);
        return facts; // too short to be either: the readers refuse it themselves
    }

    const bool riff = (std::memcmp (form, "RIFF", 4) == 0 || std::memcmp (form, "RF64", 4) == 0
                       || std::memcmp (form, "BW64", 4) == 0) && std::memcmp (form + 8, "WAVE", 4) == 0;
    const bool iff = std::memcmp (form, "FORM", 4) == 0
                     && (std::memcmp (form + 8, "AIFF", 4) == 0 || std::memcmp (form + 8, "AIFC", 4) == 0);

    bool formatSeen = false;
    for (juce::int64 position = 12; (riff || iff) && position + 8 <= total && facts.damage == nullptr;)
    {
        unsigned char header[12] {}; // the chunk's id and size, and its first four bytes
        if (! stream.setPosition (position) || stream.read (header, 12) < 8)
            break;
        const juce::int64 size = riff ? juce::ByteOrder::littleEndianInt (header + 4) : juce::ByteOrder::bigEndianInt (header + 4);
        const bool audioData = std::memcmp (header, riff ? "data" : "SSND", 4) == 0;
        // The format chunk: "fmt " (channel count in bytes 2-3, little-endian) or "COMM" (bytes
        // 0-1, big-endian). JUCE reads every format chunk in turn, so a second one must not hide
        // the first one's channel count.
        const bool format = (riff && std::memcmp (header, "fmt ", 4) == 0 && size >= 4)
                            || (iff && std::memcmp (header, "COMM", 4) == 0 && size >= 2);
        // A marker (id, position, padded name) and a comment (time, marker, text length) take
        // at least 8 bytes each after the 2-byte count.
        const bool entryList = iff && (std::memcmp (header, "MARK", 4) == 0 || std::memcmp (header, "COMT", 4) == 0);

        if (! audioData && size > total - position - 8)
            facts.damage = "a chunk claims more bytes than the file holds";
        else if (format && std::exchange (formatSeen, true))
            facts.damage = "more than one format chunk";
        else if (entryList && size < 2 + 8 * static_cast<juce::int64> (juce::ByteOrder::bigEndianShort (header + 8)))
            facts.damage = "a marker or comment chunk claims more entries than it holds";
        else if (format)
            facts.channels = riff ? juce::ByteOrder::littleEndianShort (header + 10) : juce::ByteOrder::bigEndianShort (header + 8);

        position += 8 + size + (size & 1);
    }
    stream.setPosition (0);
    return facts;
}
} // namespace tarngloam::offline
