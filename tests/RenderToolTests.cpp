#include "plugin/FactoryPresets.h"
#include "testbed/OfflineRender.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

// Runs the built tarngloam-render on generated files, as a user would from the shell.
namespace
{
const juce::File renderTool { TARNGLOAM_RENDER_TOOL };
constexpr double rate = 44100.0;
constexpr int tailSamples = 26461; // ceil (0.6000000238 s * 44100)

struct Run
{
    int exitCode;
    juce::String output;
};

Run runTool (const juce::StringArray& arguments)
{
    juce::StringArray command { renderTool.getFullPathName() };
    command.addArray (arguments);
    juce::ChildProcess process;
    if (! process.start (command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return { -1, "could not start" };
    const auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    return { static_cast<int> (process.getExitCode()), output };
}

class RenderTool : public testing::Test
{
protected:
    juce::TemporaryFile folderHolder;
    juce::File folder;

    void SetUp() override
    {
        folder = folderHolder.getFile();
        ASSERT_TRUE (folder.createDirectory());
    }
    void TearDown() override { folder.deleteRecursively(); }

    juce::File writeInput (const juce::String& name, int channels, int samples)
    {
        juce::AudioBuffer<float> buffer (channels, samples);
        juce::Random random (99);
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < samples; ++i)
                buffer.setSample (ch, i, (random.nextFloat() - 0.5f) * 0.8f + 0.01f);
        const auto file = folder.getChildFile (name);
        juce::String error;
        EXPECT_TRUE (tarngloam::offline::writeFloatWav (file, buffer, rate, error)) << error;
        return file;
    }

    // A 16-bit PCM WAV with its header's claims written as given, followed by `frames` real frames.
    juce::File writeRawWav (const juce::String& name, int channels, int sampleRate, juce::uint32 claimedDataBytes, int frames)
    {
        juce::MemoryOutputStream out;
        out.write ("RIFF", 4);
        out.writeInt (static_cast<int> (36 + claimedDataBytes));
        out.write ("WAVEfmt ", 8);
        out.writeInt (16);
        out.writeShort (1);
        out.writeShort (static_cast<short> (channels));
        out.writeInt (sampleRate);
        out.writeInt (sampleRate * channels * 2);
        out.writeShort (static_cast<short> (channels * 2));
        out.writeShort (16);
        out.write ("data", 4);
        out.writeInt (static_cast<int> (claimedDataBytes));
        for (int i = 0; i < frames * channels; ++i)
            out.writeShort (static_cast<short> ((i * 97) % 8000 - 4000));
        const auto file = folder.getChildFile (name);
        file.replaceWithData (out.getData(), out.getDataSize());
        return file;
    }

    static juce::AudioBuffer<float> read (const juce::File& file, double* sampleRate = nullptr)
    {
        juce::String error;
        auto audio = tarngloam::offline::readAudioFile (file, error);
        EXPECT_TRUE (audio.has_value()) << error;
        if (! audio)
            return {};
        if (sampleRate != nullptr)
            *sampleRate = audio->sampleRate;
        return audio->samples;
    }
};

juce::StringArray zeroParameters() { return { "--bleed", "0", "--fuzz", "0", "--grain", "0", "--age", "0" }; }
} // namespace

TEST_F (RenderTool, AllZeroParametersGiveTheInputBackExactly)
{
    const auto input = writeInput ("in.wav", 2, 30000);
    const auto outputFile = folder.getChildFile ("out.wav");
    juce::StringArray args { input.getFullPathName(), outputFile.getFullPathName() };
    args.addArray (zeroParameters());
    const auto run = runTool (args);
    ASSERT_EQ (run.exitCode, 0) << run.output;

    double sampleRate = 0.0;
    const auto in = read (input);
    const auto out = read (outputFile, &sampleRate);
    EXPECT_EQ (sampleRate, rate);
    ASSERT_EQ (out.getNumChannels(), 2);
    ASSERT_EQ (out.getNumSamples(), 30000 + tailSamples);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_EQ (std::memcmp (out.getReadPointer (ch), in.getReadPointer (ch), sizeof (float) * 30000), 0);
        EXPECT_EQ (out.getMagnitude (ch, 30000, tailSamples), 0.0f);
    }
}

TEST_F (RenderTool, WithoutTrimTheLatencyStaysInFront)
{
    const auto input = writeInput ("in.wav", 1, 10000);
    const auto outputFile = folder.getChildFile ("out.wav");
    juce::StringArray args { input.getFullPathName(), outputFile.getFullPathName(), "--no-trim", "--no-tail", "--block", "100" };
    args.addArray (zeroParameters());
    const auto run = runTool (args);
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto in = read (input);
    const auto out = read (outputFile);
    ASSERT_EQ (out.getNumChannels(), 1);
    ASSERT_EQ (out.getNumSamples(), 10000);
    EXPECT_EQ (out.getMagnitude (0, 0, 52), 0.0f);
    EXPECT_EQ (std::memcmp (out.getReadPointer (0) + 52, in.getReadPointer (0), sizeof (float) * (10000 - 52)), 0);
}

TEST_F (RenderTool, DefaultSettingsRenderMonoToStereoOnRequest)
{
    const auto input = writeInput ("in.wav", 1, 44100);
    const auto outputFile = folder.getChildFile ("out.wav");
    const auto run = runTool ({ input.getFullPathName(), outputFile.getFullPathName(), "--stereo", "--tempo", "90" });
    ASSERT_EQ (run.exitCode, 0) << run.output;

    const auto out = read (outputFile);
    ASSERT_EQ (out.getNumChannels(), 2);
    ASSERT_EQ (out.getNumSamples(), 44100 + tailSamples);
    for (int ch = 0; ch < 2; ++ch)
    {
        EXPECT_LE (out.getMagnitude (ch, 0, out.getNumSamples()), 1.0f);
        EXPECT_GT (out.getRMSLevel (ch, 0, 44100), 0.01f);
    }
}

TEST_F (RenderTool, BadInputFailsWithOneLineAndLeavesNothingBehind)
{
    const auto good = writeInput ("good.wav", 2, 1000);
    const auto threeChannels = writeInput ("three.wav", 3, 1000);
    const auto tenMegahertz = writeRawWav ("fast.wav", 1, 10000000, 2000, 1000);
    const auto hugeChunk = folder.getChildFile ("bext.wav");
    {
        // A broadcast-wave chunk whose header claims 4 GB.
        juce::MemoryOutputStream out;
        out.write ("RIFF", 4);
        out.writeInt (100);
        out.write ("WAVEfmt ", 8);
        out.writeInt (16);
        for (const int field : { 1, 1 })
            out.writeShort (static_cast<short> (field));
        out.writeInt (44100);
        out.writeInt (88200);
        out.writeShort (2);
        out.writeShort (16);
        out.write ("bext", 4);
        out.writeInt (static_cast<int> (0xf0000000u));
        out.writeRepeatedByte (0, 64);
        hugeChunk.replaceWithData (out.getData(), out.getDataSize());
    }
    const auto notAudio = folder.getChildFile ("notes.wav");
    notAudio.replaceWithText ("this is not audio");
    const auto outputFile = folder.getChildFile ("out.wav");
    const auto goodBytes = good.loadFileAsString();

    const struct
    {
        const char* name;
        juce::StringArray args;
        const char* message;
    } cases[] = {
        { "missing", { folder.getChildFile ("absent.wav").getFullPathName(), outputFile.getFullPathName() }, "no such file" },
        { "not audio", { notAudio.getFullPathName(), outputFile.getFullPathName() }, "unsupported" },
        { "three channels", { threeChannels.getFullPathName(), outputFile.getFullPathName() }, "3 channels" },
        { "sample rate of 10 MHz", { tenMegahertz.getFullPathName(), outputFile.getFullPathName() }, "sample rate" },
        { "a chunk claiming 4 GB", { hugeChunk.getFullPathName(), outputFile.getFullPathName() }, "damaged audio file" },
        { "an AIFF of fewer than 8 bits", { TARNGLOAM_FUZZ_CRASHES "/audio_file/aiff-zero-bytes-per-frame", outputFile.getFullPathName() },
          "unsupported sample format" },
        { "a WAV whose second format chunk hides 13567 channels in the first",
          { TARNGLOAM_FUZZ_CRASHES "/audio_file/wav-second-format-chunk", outputFile.getFullPathName() }, "damaged audio file" },
        { "an AIFF claiming 65535 markers in 2 bytes",
          { TARNGLOAM_FUZZ_CRASHES "/audio_file/aiff-marker-count-beyond-chunk", outputFile.getFullPathName() }, "damaged audio file" },
        { "parameter above 100", { good.getFullPathName(), outputFile.getFullPathName(), "--fuzz", "100.5" }, "between 0 and 100" },
        { "negative parameter", { good.getFullPathName(), outputFile.getFullPathName(), "--age", "-1" }, "between 0 and 100" },
        { "not a number", { good.getFullPathName(), outputFile.getFullPathName(), "--grain", "lots" }, "needs a number" },
        { "minus inside", { good.getFullPathName(), outputFile.getFullPathName(), "--grain", "5-0" }, "needs a number" },
        { "two points", { good.getFullPathName(), outputFile.getFullPathName(), "--bleed", "1.2.3" }, "needs a number" },
        { "exponent without digits", { good.getFullPathName(), outputFile.getFullPathName(), "--age", "7e" }, "needs a number" },
        { "two signs", { good.getFullPathName(), outputFile.getFullPathName(), "--fuzz", "+-3" }, "needs a number" },
        { "nan", { good.getFullPathName(), outputFile.getFullPathName(), "--fuzz", "nan" }, "needs a number" },
        { "inf", { good.getFullPathName(), outputFile.getFullPathName(), "--tempo", "inf" }, "needs a number" },
        { "blank", { good.getFullPathName(), outputFile.getFullPathName(), "--block", " " }, "needs a number" },
        { "output is the input", { good.getFullPathName(), good.getFullPathName() }, "must not be the input" },
        { "unknown option", { good.getFullPathName(), outputFile.getFullPathName(), "--loud" }, "unknown option" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto run = runTool (c.args);
        EXPECT_NE (run.exitCode, 0);
        EXPECT_TRUE (run.output.contains (c.message)) << run.output;
        EXPECT_EQ (run.output.trim().indexOfChar ('\n'), -1) << "one line: " << run.output;
        EXPECT_FALSE (outputFile.exists());
        EXPECT_EQ (good.loadFileAsString(), goodBytes) << "the input is never overwritten";
    }
    EXPECT_EQ (folder.findChildFiles (juce::File::findFiles, false, "*.part").size(), 0) << "no partial files";
    EXPECT_EQ (folder.findChildFiles (juce::File::findFiles, false, ".*").size(), 0) << "no partial files";
}

TEST_F (RenderTool, ExplainsItselfAndRendersFactoryPresets)
{
    const auto help = runTool ({ "--help" });
    EXPECT_EQ (help.exitCode, 0);
    for (const char* option : { "--bleed", "--fuzz", "--grain", "--age", "--preset", "--list-presets", "--tempo",
                                "--block", "--stereo", "--no-trim", "--no-tail", "--help", "--version" })
        EXPECT_TRUE (help.output.contains (option)) << option;
    for (const auto& info : tarngloam::parameterTable)
        EXPECT_TRUE (help.output.contains ("(default " + juce::String (juce::roundToInt (info.defaultPercent)) + ")")) << info.id;
    EXPECT_TRUE (help.output.contains ("(default 512)"));

    const auto version = runTool ({ "--version" });
    EXPECT_EQ (version.exitCode, 0);
    EXPECT_TRUE (version.output.startsWith ("tarngloam-render 1.0.0")) << version.output;

    const auto list = runTool ({ "--list-presets" });
    EXPECT_EQ (list.exitCode, 0);
    for (const auto& preset : tarngloam::factoryPresets)
        EXPECT_TRUE (list.output.contains (preset.name)) << preset.name;

    const auto unknown = runTool ({ "--loud" });
    EXPECT_NE (unknown.exitCode, 0);
    EXPECT_TRUE (unknown.output.contains ("--help")) << unknown.output;
    EXPECT_NE (runTool ({ "in.wav", "out.wav", "--preset", "Nope" }).exitCode, 0);

    // A preset is its four values, and a knob given as well overrides the preset's.
    const auto input = writeInput ("in.wav", 2, 8000);
    const auto viaPreset = folder.getChildFile ("preset.wav"), viaKnobs = folder.getChildFile ("knobs.wav");
    const auto& fuzzBox = *tarngloam::findFactoryPreset ("Fuzz Box");
    ASSERT_EQ (runTool ({ input.getFullPathName(), viaPreset.getFullPathName(), "--age", "50", "--preset", fuzzBox.name }).exitCode, 0);
    ASSERT_EQ (runTool ({ input.getFullPathName(), viaKnobs.getFullPathName(), "--bleed",
                          juce::String (fuzzBox.percents[0]), "--fuzz", juce::String (fuzzBox.percents[1]), "--grain",
                          juce::String (fuzzBox.percents[2]), "--age", "50" })
                   .exitCode,
               0);
    juce::MemoryBlock a, b;
    viaPreset.loadFileAsData (a);
    viaKnobs.loadFileAsData (b);
    EXPECT_GT (a.getSize(), 8000u);
    EXPECT_EQ (a, b);
}

TEST_F (RenderTool, AHeaderClaimingMoreThanTheFileHoldsReadsWhatIsThere)
{
    // 2 GB of samples claimed, 3000 frames present: the render covers those 3000 (and at most the
    // header's size in silence after them), and nothing the size of the claim is ever allocated.
    const auto input = writeRawWav ("claims.wav", 2, 44100, 0x7ffffff0u, 3000);
    const auto outputFile = folder.getChildFile ("out.wav");
    const auto run = runTool ({ input.getFullPathName(), outputFile.getFullPathName(), "--no-tail" });
    ASSERT_EQ (run.exitCode, 0) << run.output;
    const auto output = read (outputFile);
    EXPECT_GE (output.getNumSamples(), 3000);
    EXPECT_LE (output.getNumSamples(), 3000 + 44 / 4);
}

TEST_F (RenderTool, WritesTheFloatWavHeaderThatNonPcmFormatsCarry)
{
    const auto input = writeInput ("in.wav", 1, 1000);
    const auto outputFile = folder.getChildFile ("out.wav");
    juce::StringArray args { input.getFullPathName(), outputFile.getFullPathName(), "--no-tail" };
    args.addArray (zeroParameters());
    ASSERT_EQ (runTool (args).exitCode, 0);

    juce::MemoryBlock bytes;
    ASSERT_TRUE (outputFile.loadFileAsData (bytes));
    const auto* b = static_cast<const char*> (bytes.getData());
    const auto int32At = [&] (size_t at) { return static_cast<juce::uint32> (juce::ByteOrder::littleEndianInt (b + at)); };
    const auto int16At = [&] (size_t at) { return juce::ByteOrder::littleEndianShort (b + at); };
    ASSERT_EQ (bytes.getSize(), 12u + 8 + 18 + 8 + 4 + 8 + 1000 * 4);
    EXPECT_EQ (std::memcmp (b, "RIFF", 4), 0);
    EXPECT_EQ (int32At (4), bytes.getSize() - 8);
    EXPECT_EQ (std::memcmp (b + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ (int32At (16), 18u) << "the format chunk has room for its extension size";
    EXPECT_EQ (int16At (20), 3) << "WAVE_FORMAT_IEEE_FLOAT";
    EXPECT_EQ (int16At (22), 1);
    EXPECT_EQ (int32At (24), 44100u);
    EXPECT_EQ (int32At (28), 44100u * 4);
    EXPECT_EQ (int16At (32), 4);
    EXPECT_EQ (int16At (34), 32);
    EXPECT_EQ (int16At (36), 0) << "no extension";
    EXPECT_EQ (std::memcmp (b + 38, "fact", 4), 0);
    EXPECT_EQ (int32At (42), 4u);
    EXPECT_EQ (int32At (46), 1000u) << "sample frames";
    EXPECT_EQ (std::memcmp (b + 50, "data", 4), 0);
    EXPECT_EQ (int32At (54), 4000u);
    const auto in = read (input);
    EXPECT_EQ (std::memcmp (b + 58, in.getReadPointer (0), 4000), 0) << "the samples are the input's, bit for bit";

    // Both common readers take it without a word of complaint.
    for (const auto& reader : { juce::StringArray { "/usr/bin/soxi", outputFile.getFullPathName() },
                                juce::StringArray { "/usr/bin/sndfile-info", outputFile.getFullPathName() } })
    {
        juce::ChildProcess process;
        ASSERT_TRUE (process.start (reader, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr)) << reader[0];
        const auto said = process.readAllProcessOutput();
        EXPECT_EQ (process.getExitCode(), 0u) << said;
        EXPECT_FALSE (said.containsIgnoreCase ("warn")) << said;
        EXPECT_FALSE (said.containsIgnoreCase ("error")) << said;
    }
}
