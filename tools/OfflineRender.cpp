#include "tools/OfflineRender.h"

#include "tools/HostHarness.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cstring>
#include <utility>

namespace tarngloam::offline
{
std::optional<juce::AudioBuffer<float>> render (const juce::AudioBuffer<float>& input, double sampleRate,
                                                const RenderSettings& settings,
                                                const std::function<void (double)>& progress)
{
    const int ins = input.getNumChannels();
    const int outs = (ins == 1 && settings.monoToStereo) ? 2 : ins;
    const int blockSize = juce::jmax (1, settings.blockSize);
    const int inputLength = input.getNumSamples();

    TarnGloamAudioProcessor processor;
    harness::setAllPercent (processor, settings.percents);
    if (! harness::prepare (processor, ins, outs, sampleRate, blockSize))
        return std::nullopt;

    std::optional<harness::FixedTempoPlayHead> playHead;
    if (settings.tempo)
    {
        playHead.emplace (*settings.tempo);
        processor.setPlayHead (&*playHead);
    }

    const int latency = settings.trimLatency ? processor.getLatencySamples() : 0;
    const int tail = settings.appendTail
                         ? static_cast<int> (std::ceil (processor.getTailLengthSeconds() * sampleRate))
                         : 0;
    const int outputLength = inputLength + tail;
    const int totalToProcess = outputLength + latency;

    juce::AudioBuffer<float> output (outs, outputLength);
    output.clear();
    juce::AudioBuffer<float> block (outs, blockSize);
    juce::MidiBuffer midi;

    for (int position = 0; position < totalToProcess; position += blockSize)
    {
        const int length = juce::jmin (blockSize, totalToProcess - position);
        block.setSize (outs, length, false, false, true);
        block.clear();
        const int available = juce::jlimit (0, length, inputLength - position);
        for (int ch = 0; ch < ins; ++ch)
            if (available > 0)
                block.copyFrom (ch, 0, input, ch, position, available);

        processor.processBlock (block, midi);

        // Output sample k is the processed sample k + latency.
        const int first = juce::jmax (position, latency);
        const int last = position + length;
        for (int ch = 0; ch < outs && first < last; ++ch)
            output.copyFrom (ch, first - latency, block, ch, first - position, last - first);

        if (progress)
            progress (static_cast<double> (position + length) / totalToProcess);
    }

    processor.setPlayHead (nullptr);
    return output;
}

std::optional<AudioFile> readAudioFile (const juce::File& file, juce::String& error)
{
    if (! file.existsAsFile())
    {
        error = "no such file: " + file.getFullPathName();
        return {};
    }
    auto stream = file.createInputStream();
    if (! file.hasReadAccess() || stream == nullptr)
    {
        error = "cannot read " + file.getFullPathName();
        return {};
    }
    return readAudio (std::move (stream), file.getFullPathName(), error);
}

namespace
{
    // What the chunk list of a WAV or AIFF file says, read before JUCE's readers see the file.
    struct HeaderFacts
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
    HeaderFacts inspectHeader (juce::InputStream& stream)
    {
        HeaderFacts facts;
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
} // namespace

std::optional<AudioFile> readAudio (std::unique_ptr<juce::InputStream> stream, const juce::String& name,
                                    juce::String& error)
{
    const auto streamBytes = stream->getTotalLength();
    const auto facts = inspectHeader (*stream);
    if (facts.damage != nullptr)
    {
        error = "damaged audio file (" + juce::String (facts.damage) + "): " + name;
        return {};
    }
    const auto fileName = juce::File::createFileWithoutCheckingPath (name).getFileName();
    if (facts.channels == 0 || facts.channels > 2)
    {
        error = "only mono and stereo files are supported; " + fileName + " has " + juce::String (facts.channels) + " channels";
        return {};
    }

    juce::AudioFormatManager formats;
    formats.registerBasicFormats(); // WAV and AIFF
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (std::move (stream)));
    if (reader == nullptr)
    {
        error = "unsupported or unreadable audio file (WAV or AIFF expected): " + name;
        return {};
    }
    // JUCE's AIFF reader divides by the bytes per frame, which a header can make 0.
    if (reader->bitsPerSample < 8 || reader->bitsPerSample > 64 || reader->bitsPerSample % 8 != 0)
    {
        error = "unsupported sample format (" + juce::String (reader->bitsPerSample) + " bits): " + name;
        return {};
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "only mono and stereo files are supported; " + fileName + " has " + juce::String (reader->numChannels)
                + " channels";
        return {};
    }
    if (! (reader->sampleRate >= lowestSampleRate && reader->sampleRate <= highestSampleRate))
    {
        error = "unsupported sample rate " + juce::String (reader->sampleRate) + " Hz (" + juce::String (lowestSampleRate, 0)
                + " to " + juce::String (highestSampleRate, 0) + " Hz): " + name;
        return {};
    }

    // No more frames than the bytes could hold, whatever the header claims.
    const auto bytesPerFrame = juce::jmax (1, static_cast<int> (reader->bitsPerSample / 8) * static_cast<int> (reader->numChannels));
    const auto framesInStream = streamBytes >= 0 ? streamBytes / bytesPerFrame : reader->lengthInSamples;
    const auto frames = juce::jlimit<juce::int64> (0, framesInStream, reader->lengthInSamples);
    if (frames > std::numeric_limits<int>::max())
    {
        error = "file too long: " + name;
        return {};
    }

    AudioFile result;
    result.sampleRate = reader->sampleRate;
    result.samples.setSize (static_cast<int> (reader->numChannels), static_cast<int> (frames));
    if (! reader->read (&result.samples, 0, result.samples.getNumSamples(), 0, true, true))
    {
        error = "could not read the samples of " + name;
        return {};
    }
    return result;
}

bool writeFloatWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                    juce::String& error)
{
    const auto temporary = file.getSiblingFile ("." + file.getFileName() + ".part");
    temporary.deleteFile();

    bool written = false;
    {
        auto stream = std::make_unique<juce::FileOutputStream> (temporary);
        if (stream->openedOk())
        {
            juce::WavAudioFormat wav;
            std::unique_ptr<juce::AudioFormatWriter> writer (
                wav.createWriterFor (stream.get(), sampleRate, static_cast<unsigned int> (samples.getNumChannels()),
                                     32, {}, 0));
            if (writer != nullptr)
            {
                stream.release(); // the writer owns it now
                written = writer->writeFromAudioSampleBuffer (samples, 0, samples.getNumSamples());
                writer.reset();   // flushes the header
            }
        }
    }

    if (! written || ! temporary.moveFileTo (file))
    {
        temporary.deleteFile();
        error = "could not write " + file.getFullPathName();
        return false;
    }
    return true;
}
} // namespace tarngloam::offline
