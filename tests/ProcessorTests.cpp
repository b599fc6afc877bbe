#include "ModuleTestHelpers.h"
#include "ModuleProbe.h"

#include "plugin/ProcessingFrame.h"

using namespace testing_support;

TEST (Processor, FixedAnswersToTheHost)
{
    TarnGloamAudioProcessor processor;
    EXPECT_EQ (processor.getName(), "TARNGLOAM");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.6000000238418579);
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_FALSE (processor.isMidiEffect());
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    processor.setCurrentProgram (3);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "");
    processor.changeProgramName (0, "renamed");
    EXPECT_EQ (processor.getProgramName (0), "");
    EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);

    ASSERT_EQ (processor.getBusCount (true), 1);
    ASSERT_EQ (processor.getBusCount (false), 1);
    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getBus (true, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
    EXPECT_EQ (processor.getBus (false, 0)->getDefaultLayout(), juce::AudioChannelSet::stereo());
}

TEST (Processor, AcceptsExactlyMonoAndStereoLayouts)
{
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();
    const auto disabled = juce::AudioChannelSet::disabled();
    const auto lcr = juce::AudioChannelSet::createLCR();
    const auto quad = juce::AudioChannelSet::quadraphonic();
    const auto discreteTwo = juce::AudioChannelSet::discreteChannels (2);

    const struct
    {
        juce::AudioChannelSet in, out;
        bool accepted;
    } cases[] = {
        { mono, mono, true },        { mono, stereo, true },     { stereo, stereo, true },
        { stereo, mono, false },     { disabled, stereo, false }, { disabled, mono, false },
        { stereo, disabled, false }, { lcr, stereo, false },      { stereo, quad, false },
        { discreteTwo, stereo, false },
    };

    TarnGloamAudioProcessor processor;
    for (const auto& c : cases)
    {
        SCOPED_TRACE ((c.in.getDescription() + " -> " + c.out.getDescription()).toStdString());
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (processor.checkBusesLayoutSupported (layout), c.accepted);
    }
}

TEST (Processor, LatencyIsZeroBeforePrepareAnd52After)
{
    for (double rate : { 44100.0, 192000.0 })
    {
        TarnGloamAudioProcessor processor;
        EXPECT_EQ (processor.getLatencySamples(), 0);
        processor.prepareToPlay (rate, 512);
        EXPECT_EQ (processor.getLatencySamples(), 52) << rate;
        processor.releaseResources();
        processor.prepareToPlay (rate, 64);
        EXPECT_EQ (processor.getLatencySamples(), 52) << rate;
    }
}

TEST (Frame, TempoFromThePlayHeadIsLimitedAndDefaultsTo120)
{
    const struct
    {
        const char* name;
        bool hasPlayHead;
        std::optional<double> bpm;
        double tempo;
    } cases[] = {
        { "no play head", false, {}, 120.0 }, { "no bpm", true, {}, 120.0 }, { "96", true, 96.0, 96.0 },
        { "10", true, 10.0, 20.0 },          { "400", true, 400.0, 300.0 },
        { "NaN", true, std::numeric_limits<double>::quiet_NaN(), 120.0 },
        { "infinite", true, std::numeric_limits<double>::infinity(), 300.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        FixedTempoPlayHead playHead (c.bpm);
        EXPECT_EQ (tarngloam::hostTempo (c.hasPlayHead ? &playHead : nullptr), c.tempo);
    }
}

TEST (Frame, BeatLengthReachesTheGrainModuleEachBlock)
{
    const struct
    {
        std::optional<double> bpm;
        float beatLength;
    } cases[] = { { {}, 22050.0f }, { 10.0, 132300.0f }, { 400.0, 8820.0f } };

    for (const auto& c : cases)
    {
        TarnGloamAudioProcessor processor;
        prepareWithLayout (processor, 2, 2);
        FixedTempoPlayHead playHead (c.bpm);
        processor.setPlayHead (&playHead);
        juce::AudioBuffer<float> buffer (2, 64);
        buffer.clear();
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
        EXPECT_EQ (ModuleProbe::beatLength (ProcessorProbe::grain (processor)), c.beatLength);
        processor.setPlayHead (nullptr);
    }

    // A processor whose rate is still 0 gives a beat of no samples: the grain module, constructed
    // at 44.1 kHz, holds it at its lower limit of 0.05 s.
    EXPECT_EQ (tarngloam::samplesPerBeat (120.0, 0.0), 0.0f);
    GrainModule unprepared;
    unprepared.setControls ({ 0.0f, tarngloam::samplesPerBeat (120.0, 0.0) });
    EXPECT_EQ (ModuleProbe::beatLength (unprepared), 2205.0f);
    // And a beat longer than 4 s of its rate (20 bpm at 192 kHz) at its upper limit.
    unprepared.setControls ({ 0.0f, tarngloam::samplesPerBeat (20.0, 192000.0) });
    EXPECT_EQ (ModuleProbe::beatLength (unprepared), 176400.0f);
}

TEST (Frame, ReverbSendOpensAbove45PercentBleed)
{
    const struct
    {
        float bleed, send;
    } cases[] = { { 0.0f, 0.0f }, { 0.45f, 0.0f }, { 0.725f, 0.4f }, { 1.0f, 0.8f } };

    for (const auto& c : cases)
        EXPECT_NEAR (tarngloam::reverbSendLevel (c.bleed), c.send, 1.0e-6f) << c.bleed;

    TarnGloamAudioProcessor processor;
    prepareWithLayout (processor, 2, 2);
    setAllPercent (processor, 100.0f, 0.0f, 0.0f, 0.0f);
    juce::AudioBuffer<float> buffer (2, 16);
    buffer.clear();
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_EQ (ModuleProbe::send (ProcessorProbe::reverb (processor)).getTargetValue(), 0.8f);
}

TEST (Frame, AParameterThatIsNotANumberCountsAsZero)
{
    // A broken host can set a normalised NaN; the chain treats that parameter as off.
    EXPECT_EQ (tarngloam::controlFrom (std::numeric_limits<float>::quiet_NaN()), 0.0f);
    EXPECT_EQ (tarngloam::controlFrom (50.0f), 0.5f);
    EXPECT_EQ (tarngloam::clamp01 (std::numeric_limits<float>::quiet_NaN()), 1.0f) << "clamp01 maps NaN to its top";

    TarnGloamAudioProcessor processor;
    setAllPercent (processor, 0.0f, 0.0f, 0.0f, 0.0f);
    processor.parameterOf (Parameter::grain).setValueNotifyingHost (std::numeric_limits<float>::quiet_NaN());
    prepareWithLayout (processor, 2, 2);
    auto buffer = makeTestBuffer (2, 4096, 6);
    const auto input = copyOf (buffer);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_TRUE (bitIdentical (buffer.getReadPointer (0) + 52, input.getReadPointer (0), 4096 - 52))
        << "every control at 0: the input passes, 52 samples late";
}

TEST (Frame, OutputStageCurve)
{
    const struct
    {
        float in, out, tolerance;
    } cases[] = {
        { 0.89f, 0.89f, 0.0f },          { -0.89f, -0.89f, 0.0f },          { 0.5f, 0.5f, 0.0f },
        { 1.0f, 0.973775f, 1.0e-6f },    { 1.5f, 0.9999966f, 1.0e-7f },    { -1.5f, -0.9999966f, 1.0e-7f },
        { 2.0f, 1.0f, 0.0f },            { -2.0f, -1.0f, 0.0f },            { 50.0f, 1.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        juce::AudioBuffer<float> buffer (3, 1);
        for (int ch = 0; ch < 3; ++ch)
            buffer.setSample (ch, 0, c.in);
        tarngloam::clipOutput (buffer, 2);
        EXPECT_NEAR (buffer.getSample (0, 0), c.out, c.tolerance) << c.in;
        EXPECT_NEAR (buffer.getSample (1, 0), c.out, c.tolerance) << c.in;
        EXPECT_EQ (buffer.getSample (2, 0), c.in) << "channels past the second are not clipped";
    }
}

TEST (Frame, AllParametersAtZeroSkipTheOutputStage)
{
    TarnGloamAudioProcessor processor;
    setAllPercent (processor, 0.0f, 0.0f, 0.0f, 0.0f);
    prepareWithLayout (processor, 2, 2);
    juce::AudioBuffer<float> buffer (2, 128);
    buffer.clear();
    buffer.setSample (0, 0, 1.5f);
    buffer.setSample (1, 0, -3.0f);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getSample (0, 52), 1.5f);
    EXPECT_EQ (buffer.getSample (1, 52), -3.0f);
}

TEST (Frame, AnyParameterAboveZeroKeepsTheOutputWithinOne)
{
    // Each parameter alone just above 0 must switch the output stage on: a loud input passes the
    // gentle settings almost unchanged and would otherwise leave far above full scale.
    const struct
    {
        const char* name;
        float bleed, fuzz, grain, age;
    } cases[] = {
        { "BLEED 1 %", 1.0f, 0.0f, 0.0f, 0.0f }, { "FUZZ 1 %", 0.0f, 1.0f, 0.0f, 0.0f },
        { "GRAIN 1 %", 0.0f, 0.0f, 1.0f, 0.0f }, { "AGE 1 %", 0.0f, 0.0f, 0.0f, 1.0f },
        { "FUZZ 100 %", 0.0f, 100.0f, 0.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        TarnGloamAudioProcessor processor;
        setAllPercent (processor, c.bleed, c.fuzz, c.grain, c.age);
        prepareWithLayout (processor, 2, 2);
        juce::AudioBuffer<float> buffer (2, 8192);
        for (int i = 0; i < 8192; ++i)
            for (int ch = 0; ch < 2; ++ch)
                buffer.setSample (ch, i, (i % 64 < 32) ? 8.0f : -8.0f);
        juce::MidiBuffer midi;
        processor.processBlock (buffer, midi);
        for (int ch = 0; ch < 2; ++ch)
        {
            EXPECT_LE (buffer.getMagnitude (ch, 0, 8192), 1.0f);
            EXPECT_GT (buffer.getMagnitude (ch, 0, 8192), 0.9f);
        }
    }
}

TEST (Frame, MonoInputIsCopiedToTheSecondOutputBeforeProcessing)
{
    TarnGloamAudioProcessor processor;
    prepareWithLayout (processor, 1, 2);
    const auto signal = makeSignal (2048);

    juce::AudioBuffer<float> buffer (2, 2048);
    buffer.copyFrom (0, 0, signal.data(), 2048);
    buffer.clear (1, 0, 2048);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);

    // Both channels ran through the chain from the same input; the stereo modules differ per
    // channel, but channel 1 is no longer silent and the bleed module saw it as nch = 2.
    EXPECT_GT (buffer.getMagnitude (1, 0, 2048), 0.05f);
    EXPECT_NE (ModuleProbe::tapPhase (ProcessorProbe::bleed (processor))[1][0], (0.5f + 0.0f) * 6.2831855f);
}

TEST (Frame, NoInputChannelsClearsTheOutputs)
{
    // The accepted layouts always have an input; a host that forces one without still gets silence.
    struct ProcessorForcedWithoutInput : TarnGloamAudioProcessor
    {
        bool isBusesLayoutSupported (const BusesLayout&) const override { return true; }
    } processor;
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::disabled());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    ASSERT_TRUE (processor.setBusesLayout (layout));
    ASSERT_EQ (processor.getTotalNumInputChannels(), 0);
    processor.prepareToPlay (44100.0, 256);

    juce::AudioBuffer<float> buffer (2, 256);
    for (int ch = 0; ch < 2; ++ch)
        juce::FloatVectorOperations::fill (buffer.getWritePointer (ch), 0.7f, 256);
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_EQ (buffer.getMagnitude (0, 256), 0.0f);
}

TEST (Processor, ABlockBeforeTheFirstPrepareIsLeftAlone)
{
    // Hosts prepare before processing; a block that arrives first passes through every module
    // untouched (none of them has its delay lines yet) and only the output stage applies.
    TarnGloamAudioProcessor processor;
    auto buffer = makeBuffer ({ makeSignal (256, 1), makeSignal (256, 2) });
    const auto original = makeBuffer ({ makeSignal (256, 1), makeSignal (256, 2) });
    juce::MidiBuffer midi;
    processor.processBlock (buffer, midi);
    EXPECT_LT (original.getMagnitude (0, 256), 0.89f) << "below the output stage's knee";
    EXPECT_TRUE (buffersIdentical (buffer, original));
}
