#include "tools/OfflineRender.h"

#include "tools/HostHarness.h"

#include <juce_audio_formats/juce_audio_formats.h>

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
    if (! file.hasReadAccess())
    {
        error = "cannot read " + file.getFullPathName();
        return {};
    }

    juce::AudioFormatManager formats;
    formats.registerBasicFormats(); // WAV and AIFF
    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));
    if (reader == nullptr)
    {
        error = "unsupported or unreadable audio file (WAV or AIFF expected): " + file.getFullPathName();
        return {};
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "only mono and stereo files are supported; " + file.getFileName() + " has "
                + juce::String (reader->numChannels) + " channels";
        return {};
    }
    if (reader->lengthInSamples > std::numeric_limits<int>::max() || reader->sampleRate <= 0.0)
    {
        error = "file too long or without a sample rate: " + file.getFullPathName();
        return {};
    }

    AudioFile result;
    result.sampleRate = reader->sampleRate;
    result.samples.setSize (static_cast<int> (reader->numChannels), static_cast<int> (reader->lengthInSamples));
    if (! reader->read (&result.samples, 0, result.samples.getNumSamples(), 0, true, true))
    {
        error = "could not read the samples of " + file.getFullPathName();
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
