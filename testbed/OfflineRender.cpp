#include "testbed/OfflineRender.h"

#include "testbed/AudioFileChecks.h"
#include "testbed/ProcessorDriver.h"

#include <juce_audio_formats/juce_audio_formats.h>

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
    driver::setAllPercent (processor, settings.percents);
    if (! driver::prepare (processor, ins, outs, sampleRate, blockSize))
        return std::nullopt;

    std::optional<driver::FixedTempoPlayHead> playHead;
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

std::optional<AudioFile> readAudio (std::unique_ptr<juce::InputStream> stream, const juce::String& name,
                                    juce::String& error)
{
    const auto streamBytes = stream->getTotalLength();
    const auto facts = inspectAudioFileHeader (*stream);
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

namespace
{
    // A 32-bit float WAV as the format's definition has it for a non-PCM format: a format chunk of
    // 18 bytes (WAVE_FORMAT_IEEE_FLOAT, then an extension size of 0), a fact chunk with the number
    // of sample frames, then the interleaved little-endian samples exactly as they are.
    bool writeFloatWavTo (juce::OutputStream& out, const juce::AudioBuffer<float>& samples, double sampleRate)
    {
        const auto channels = samples.getNumChannels();
        const auto frames = samples.getNumSamples();
        const auto dataBytes = static_cast<juce::int64> (channels) * frames * 4;
        if (dataBytes > 0xffffffffLL - 64)
            return false;

        const auto rate = static_cast<int> (sampleRate);
        bool ok = out.write ("RIFF", 4) && out.writeInt (static_cast<int> (4 + (8 + 18) + (8 + 4) + 8 + dataBytes))
                  && out.write ("WAVE", 4);
        ok = ok && out.write ("fmt ", 4) && out.writeInt (18) && out.writeShort (3) && out.writeShort (static_cast<short> (channels))
             && out.writeInt (rate) && out.writeInt (rate * channels * 4) && out.writeShort (static_cast<short> (channels * 4))
             && out.writeShort (32) && out.writeShort (0);
        ok = ok && out.write ("fact", 4) && out.writeInt (4) && out.writeInt (frames);
        ok = ok && out.write ("data", 4) && out.writeInt (static_cast<int> (dataBytes));
        for (int i = 0; ok && i < frames; ++i)
            for (int ch = 0; ok && ch < channels; ++ch)
                ok = out.writeFloat (samples.getSample (ch, i));
        return ok;
    }
} // namespace

bool writeFloatWav (const juce::File& file, const juce::AudioBuffer<float>& samples, double sampleRate,
                    juce::String& error)
{
    const auto temporary = file.getSiblingFile ("." + file.getFileName() + ".part");
    temporary.deleteFile();

    bool written = false;
    {
        juce::FileOutputStream stream (temporary);
        written = stream.openedOk() && writeFloatWavTo (stream, samples, sampleRate);
        stream.flush();
        written = written && stream.getStatus().wasOk();
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
