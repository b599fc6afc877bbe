// tarngloam-demo: lets you hear TARNGLOAM without a DAW. It synthesises a short plucked chord
// progression with a percussive hit, renders it through the plug-in at its default settings, and
// writes demo-input.wav, demo-output.wav and demo.png (waveforms and spectrograms, before and after).
//
// Usage: tarngloam-demo OUTPUT_DIRECTORY

#include "editor/Palette.h"
#include "editor/QuarnwickLookAndFeel.h"
#include "plugin/FactoryPresets.h"
#include "testbed/OfflineRender.h"
#include "testbed/OutputDirectory.h"

#include <juce_dsp/juce_dsp.h>
#include <juce_events/juce_events.h>
#include <juce_graphics/juce_graphics.h>

#include <iostream>

namespace
{
constexpr double sampleRate = 48000.0;

// A plucked string (Karplus-Strong) added into both channels with a little stereo spread.
void addPluck (juce::AudioBuffer<float>& out, int start, double frequency, float level, float pan,
               juce::Random& random)
{
    const int period = juce::jmax (2, static_cast<int> (std::round (sampleRate / frequency)));
    std::vector<float> loop (static_cast<size_t> (period));
    for (auto& s : loop)
        s = (random.nextFloat() * 2.0f - 1.0f);

    const int length = juce::jmin (out.getNumSamples() - start, static_cast<int> (sampleRate * 2.5));
    float previous = 0.0f;
    for (int i = 0; i < length; ++i)
    {
        auto& s = loop[static_cast<size_t> (i % period)];
        const float y = s;
        s = 0.4985f * (s + previous); // averaging lowpass: the string's decay
        previous = y;
        out.addSample (0, start + i, y * level * (1.0f - pan));
        out.addSample (1, start + i, y * level * (1.0f + pan));
    }
}

// A kick-like hit: a falling sine with a short noise click.
void addHit (juce::AudioBuffer<float>& out, int start, juce::Random& random)
{
    const int length = juce::jmin (out.getNumSamples() - start, static_cast<int> (sampleRate * 0.5));
    double phase = 0.0;
    for (int i = 0; i < length; ++i)
    {
        const double t = i / sampleRate;
        phase += juce::MathConstants<double>::twoPi * (45.0 + 120.0 * std::exp (-t * 30.0)) / sampleRate;
        const float body = static_cast<float> (std::sin (phase) * std::exp (-t * 9.0)) * 0.7f;
        const float click = (random.nextFloat() * 2.0f - 1.0f) * static_cast<float> (std::exp (-t * 180.0)) * 0.3f;
        out.addSample (0, start + i, body + click);
        out.addSample (1, start + i, body + click);
    }
}

juce::AudioBuffer<float> synthesiseDemo()
{
    // A minor, F major, C major, G major: one chord every 1.2 s, strummed upwards.
    const double chords[4][4] = { { 220.00, 261.63, 329.63, 440.00 },
                                  { 174.61, 220.00, 261.63, 349.23 },
                                  { 130.81, 196.00, 261.63, 329.63 },
                                  { 196.00, 246.94, 293.66, 392.00 } };
    const int chordLength = static_cast<int> (sampleRate * 1.2);

    juce::AudioBuffer<float> signal (2, chordLength * 4 + static_cast<int> (sampleRate));
    signal.clear();
    juce::Random random (20261210);
    for (int c = 0; c < 4; ++c)
    {
        const int start = c * chordLength;
        for (int n = 0; n < 4; ++n)
            addPluck (signal, start + n * 1100, chords[c][n], 0.16f, -0.3f + 0.2f * n, random);
        addHit (signal, start, random);
    }
    signal.applyGain (0.8f / juce::jmax (0.001f, signal.getMagnitude (0, signal.getNumSamples())));
    return signal;
}

// Magnitude spectrogram of channel 0 (mono sum), in dB, frames x bins.
std::vector<std::vector<float>> spectrogram (const juce::AudioBuffer<float>& signal, int order, int hop)
{
    const int size = 1 << order;
    juce::dsp::FFT fft (order);
    juce::dsp::WindowingFunction<float> window (static_cast<size_t> (size), juce::dsp::WindowingFunction<float>::hann,
                                                false);
    std::vector<std::vector<float>> frames;
    std::vector<float> data (static_cast<size_t> (size * 2));

    for (int start = 0; start + size <= signal.getNumSamples(); start += hop)
    {
        std::fill (data.begin(), data.end(), 0.0f);
        for (int i = 0; i < size; ++i)
        {
            float sum = 0.0f;
            for (int ch = 0; ch < signal.getNumChannels(); ++ch)
                sum += signal.getSample (ch, start + i);
            data[static_cast<size_t> (i)] = sum / static_cast<float> (signal.getNumChannels());
        }
        window.multiplyWithWindowingTable (data.data(), static_cast<size_t> (size));
        fft.performFrequencyOnlyForwardTransform (data.data());

        std::vector<float> frame (static_cast<size_t> (size / 2));
        for (int b = 0; b < size / 2; ++b)
            frame[static_cast<size_t> (b)] = juce::Decibels::gainToDecibels (data[static_cast<size_t> (b)] / (size * 0.25f), -100.0f);
        frames.push_back (std::move (frame));
    }
    return frames;
}

juce::Colour heat (float level) // 0..1
{
    const juce::Colour stops[] = { juce::Colour (0xff10151d), juce::Colour (0xff23405a), palette::accent,
                                   juce::Colour (0xffd9b35a), juce::Colour (0xfff4efe2) };
    const float x = juce::jlimit (0.0f, 1.0f, level) * 4.0f;
    const int i = juce::jmin (3, static_cast<int> (x));
    return stops[i].interpolatedWith (stops[i + 1], x - static_cast<float> (i));
}

void drawWaveform (juce::Graphics& g, const juce::AudioBuffer<float>& signal, juce::Rectangle<int> area,
                   int totalSamples)
{
    g.setColour (juce::Colour (0xff1f2935));
    g.fillRect (area);
    g.setColour (palette::track);
    g.drawHorizontalLine (area.getCentreY(), static_cast<float> (area.getX()), static_cast<float> (area.getRight()));
    g.setColour (palette::light);
    const float half = area.getHeight() * 0.5f;
    for (int x = 0; x < area.getWidth(); ++x)
    {
        const int from = static_cast<int> (static_cast<int64_t> (x) * totalSamples / area.getWidth());
        const int to = juce::jmin (signal.getNumSamples(), static_cast<int> (static_cast<int64_t> (x + 1) * totalSamples / area.getWidth()));
        if (from >= to)
            continue;
        const auto range = signal.findMinMax (0, from, to - from);
        g.drawVerticalLine (area.getX() + x, area.getCentreY() - range.getEnd() * half,
                            area.getCentreY() - range.getStart() * half + 1.0f);
    }
}

void drawSpectrogram (juce::Graphics& g, const std::vector<std::vector<float>>& frames, juce::Rectangle<int> area,
                      int hop, int totalSamples)
{
    juce::Image image (juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    const double nyquist = sampleRate * 0.5;
    const int bins = frames.empty() ? 1 : static_cast<int> (frames.front().size());
    for (int x = 0; x < area.getWidth(); ++x)
    {
        const int frame = static_cast<int> (static_cast<int64_t> (x) * totalSamples / area.getWidth() / hop);
        for (int y = 0; y < area.getHeight(); ++y)
        {
            // Logarithmic frequency axis, 30 Hz at the bottom to 20 kHz at the top.
            const double frequency = 30.0 * std::pow (20000.0 / 30.0, 1.0 - static_cast<double> (y) / area.getHeight());
            const int bin = juce::jlimit (0, bins - 1, static_cast<int> (frequency / nyquist * bins));
            const float db = frame < static_cast<int> (frames.size()) ? frames[static_cast<size_t> (frame)][static_cast<size_t> (bin)] : -100.0f;
            image.setPixelAt (x, y, heat ((db + 90.0f) / 90.0f));
        }
    }
    g.drawImageAt (image, area.getX(), area.getY());
}

// 50 as "50", 12.5 as "12.5".
juce::String shortNumber (double value)
{
    return juce::String (value, value == std::floor (value) ? 0 : 1);
}

// "BLEED 50 %, FUZZ 40 %, GRAIN 20 %, AGE 30 %, 120 bpm"
juce::String describeSettings (const tarngloam::offline::RenderSettings& settings)
{
    juce::StringArray parts;
    for (const auto& info : tarngloam::parameterTable)
        parts.add (juce::String (info.id) + " " + shortNumber (settings.percents[tarngloam::indexOf (info.parameter)]) + " %");
    if (settings.tempo)
        parts.add (shortNumber (*settings.tempo) + " bpm");
    return parts.joinIntoString (", ");
}

// Seconds along the bottom of an area that shows `totalSamples`, one tick a second.
void drawTimeAxis (juce::Graphics& g, juce::Rectangle<int> area, int totalSamples)
{
    g.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::plain));
    const double seconds = totalSamples / sampleRate;
    for (int second = 0; second <= static_cast<int> (seconds); ++second)
    {
        const int x = area.getX() + static_cast<int> (second / seconds * area.getWidth());
        g.setColour (palette::track);
        g.drawVerticalLine (x, static_cast<float> (area.getBottom()), static_cast<float> (area.getBottom() + 5));
        g.setColour (palette::captionText);
        g.drawText (juce::String (second) + (second == 0 ? " s" : ""), x - 20, area.getBottom() + 6, 40, 16,
                    juce::Justification::centred);
    }
}

// Hz on a logarithmic scale at the left of a spectrogram (30 Hz at the bottom, 20 kHz at the top).
void drawFrequencyAxis (juce::Graphics& g, juce::Rectangle<int> area)
{
    g.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::plain));
    const struct
    {
        double hz;
        const char* label;
    } ticks[] = { { 50, "50" }, { 100, "100" }, { 200, "200" }, { 500, "500" }, { 1000, "1k" },
                  { 2000, "2k" }, { 5000, "5k" }, { 10000, "10k" }, { 20000, "20k" } };
    for (const auto& tick : ticks)
    {
        const double position = std::log (tick.hz / 30.0) / std::log (20000.0 / 30.0);
        const int y = area.getBottom() - static_cast<int> (position * area.getHeight());
        g.setColour (palette::track);
        g.drawHorizontalLine (y, static_cast<float> (area.getX() - 5), static_cast<float> (area.getX()));
        g.setColour (palette::captionText);
        g.drawText (tick.label, area.getX() - 52, y - 8, 44, 16, juce::Justification::centredRight);
    }
    g.saveState();
    g.addTransform (juce::AffineTransform::rotation (-juce::MathConstants<float>::halfPi, static_cast<float> (area.getX() - 66),
                                                     static_cast<float> (area.getCentreY())));
    g.drawText ("frequency (Hz)", area.getX() - 66 - 80, area.getCentreY() - 8, 160, 16, juce::Justification::centred);
    g.restoreState();
}

// Amplitude -1 .. +1 at the left of a waveform.
void drawAmplitudeAxis (juce::Graphics& g, juce::Rectangle<int> area)
{
    g.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::plain));
    g.setColour (palette::captionText);
    g.drawText ("+1", area.getX() - 52, area.getY() - 2, 44, 16, juce::Justification::centredRight);
    g.drawText ("0", area.getX() - 52, area.getCentreY() - 8, 44, 16, juce::Justification::centredRight);
    g.drawText ("-1", area.getX() - 52, area.getBottom() - 14, 44, 16, juce::Justification::centredRight);
}

// The colour scale of the spectrograms.
void drawLegend (juce::Graphics& g, juce::Rectangle<int> area)
{
    g.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::plain));
    g.setColour (palette::captionText);
    g.drawText ("level (dB)", area.getX(), area.getY(), area.getWidth(), 16, juce::Justification::centred);
    const auto bar = area.withTrimmedTop (20).withHeight (14);
    for (int x = 0; x < bar.getWidth(); ++x)
    {
        g.setColour (heat (static_cast<float> (x) / static_cast<float> (bar.getWidth() - 1)));
        g.drawVerticalLine (bar.getX() + x, static_cast<float> (bar.getY()), static_cast<float> (bar.getBottom()));
    }
    g.setColour (palette::captionText);
    g.drawText ("-90", bar.getX() - 4, bar.getBottom() + 2, 40, 16, juce::Justification::centredLeft);
    g.drawText ("-45", bar.getCentreX() - 20, bar.getBottom() + 2, 40, 16, juce::Justification::centred);
    g.drawText ("0", bar.getRight() - 36, bar.getBottom() + 2, 40, 16, juce::Justification::centredRight);
}

juce::Image drawComparison (const juce::AudioBuffer<float>& input, const juce::AudioBuffer<float>& output,
                            const juce::String& title)
{
    constexpr int width = 1400, rowHeight = 420, left = 96, right = 24, top = 88;
    juce::Image image (juce::Image::RGB, width, top + 2 * rowHeight + 24, true);
    juce::Graphics g (image);
    g.fillAll (palette::background);

    g.setColour (palette::captionText);
    g.setFont (QuarnwickLookAndFeel::monospaced (22.0f, juce::Font::bold));
    g.drawText (title, right, 10, width - 2 * right - 260, 30, juce::Justification::centredLeft);
    g.setFont (QuarnwickLookAndFeel::monospaced (14.0f, juce::Font::plain));
    g.drawText ("each row: waveform of the left channel above, spectrogram of both channels mixed below",
                right, 42, width - 2 * right - 260, 20, juce::Justification::centredLeft);
    drawLegend (g, { width - right - 240, 12, 240, 56 });

    const int totalSamples = output.getNumSamples();
    const int hop = 256;
    const struct
    {
        const char* title;
        const juce::AudioBuffer<float>& signal;
    } rows[] = { { "input", input }, { "output", output } };

    for (int r = 0; r < 2; ++r)
    {
        const int rowTop = top + r * rowHeight;
        g.setColour (palette::captionText);
        g.setFont (QuarnwickLookAndFeel::monospaced (16.0f, juce::Font::bold));
        g.drawText (rows[r].title, left, rowTop, 200, 20, juce::Justification::centredLeft);
        const juce::Rectangle<int> wave (left, rowTop + 24, width - left - right, 100);
        const juce::Rectangle<int> spectrum (left, rowTop + 24 + 108, width - left - right, rowHeight - 24 - 108 - 40);
        drawWaveform (g, rows[r].signal, wave, totalSamples);
        drawAmplitudeAxis (g, wave);
        drawSpectrogram (g, spectrogram (rows[r].signal, 12, hop), spectrum, hop, totalSamples);
        drawFrequencyAxis (g, spectrum);
        drawTimeAxis (g, spectrum, totalSamples);
    }
    g.setColour (palette::captionText);
    g.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::plain));
    g.drawText ("time (s)", left, image.getHeight() - 18, width - left - right, 16, juce::Justification::centred);
    return image;
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const tarngloam::FactoryPreset* preset = nullptr;
    if (argc == 4 && std::string (argv[2]) == "--preset")
        preset = tarngloam::findFactoryPreset (argv[3]);
    if ((argc != 2 && argc != 4) || (argc == 4 && preset == nullptr))
    {
        std::cerr << "usage: tarngloam-demo OUTPUT_DIRECTORY [--preset NAME]" << std::endl;
        return 2;
    }

    const auto created = tarngloam::createOutputDirectory ("tarngloam-demo", argv[1]);
    if (! created)
        return 1;
    const auto& directory = *created;

    const auto input = synthesiseDemo();
    tarngloam::offline::RenderSettings settings;
    settings.tempo = 120.0;
    if (preset != nullptr)
        settings.percents = preset->percents;
    const auto rendered = tarngloam::offline::render (input, sampleRate, settings);
    if (! rendered)
    {
        std::cerr << "tarngloam-demo: the plug-in refused a stereo layout" << std::endl;
        return 1;
    }
    const auto& output = *rendered;

    juce::String error;
    const auto inputFile = directory.getChildFile ("demo-input.wav");
    const auto outputFile = directory.getChildFile ("demo-output.wav");
    if (! tarngloam::offline::writeFloatWav (inputFile, input, sampleRate, error)
        || ! tarngloam::offline::writeFloatWav (outputFile, output, sampleRate, error))
    {
        std::cerr << "tarngloam-demo: " << error << std::endl;
        return 1;
    }

    const auto pictureFile = directory.getChildFile ("demo.png");
    pictureFile.deleteFile();
    juce::FileOutputStream stream (pictureFile);
    juce::PNGImageFormat png;
    if (! stream.openedOk() || ! png.writeImageToStream (drawComparison (input, output,
                                                                         "TARNGLOAM " + (preset != nullptr ? juce::String (preset->name) : juce::String ("demo")) + ": "
                                                                             + describeSettings (settings)), stream))
    {
        std::cerr << "tarngloam-demo: could not write " << pictureFile.getFullPathName() << std::endl;
        return 1;
    }

    std::cout << "Demo rendered at " << (preset != nullptr ? juce::String ("the preset ") + preset->name : juce::String ("the default settings")) << ":\n"
              << "  input   " << inputFile.getFullPathName() << "\n"
              << "  output  " << outputFile.getFullPathName() << "\n"
              << "  picture " << pictureFile.getFullPathName() << std::endl;
    return 0;
}
