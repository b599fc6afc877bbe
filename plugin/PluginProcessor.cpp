#include "plugin/PluginProcessor.h"

#include "editor/PluginEditor.h"

#include "plugin/Parameters.h"
#include "plugin/ProcessingFrame.h"
#include "plugin/SavedStateChecks.h"

#include "dsp/DspPrimitives.h"

TarnGloamAudioProcessor::TarnGloamAudioProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameters (*this, nullptr, tarngloam::stateType, tarngloam::createParameterLayout())
{
    // The tree state starts each raw value at its default sent through the normalised range and
    // back, which for some defaults is a hair off (30 comes back as 30.0000019) until the parameter
    // is first set. Setting each once makes a fresh instance hold exactly what a restored or
    // automated one holds, so it sounds the same bit for bit.
    for (auto* parameter : getParameters())
        parameter->setValueNotifyingHost (parameter->getDefaultValue());

    bleedParam = &rawValueOf (tarngloam::Parameter::bleed);
    fuzzParam = &rawValueOf (tarngloam::Parameter::fuzz);
    grainParam = &rawValueOf (tarngloam::Parameter::grain);
    ageParam = &rawValueOf (tarngloam::Parameter::age);
}

TarnGloamAudioProcessor::~TarnGloamAudioProcessor() = default;

std::atomic<float>& TarnGloamAudioProcessor::rawValueOf (tarngloam::Parameter parameter)
{
    // Every enumerator has its parameter in the layout, so the lookup cannot come back empty.
    return *parameters.getRawParameterValue (tarngloam::infoOf (parameter).id);
}

juce::RangedAudioParameter& TarnGloamAudioProcessor::parameterOf (tarngloam::Parameter parameter)
{
    return *parameters.getParameter (tarngloam::infoOf (parameter).id);
}

const juce::String TarnGloamAudioProcessor::getName() const { return "TARNGLOAM"; }

void TarnGloamAudioProcessor::prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock)
{
    const tarngloam::ProcessSpec setup { sampleRate, maximumExpectedSamplesPerBlock };
    bleed.prepare (setup);
    fuzz.prepare (setup);
    grain.prepare (setup);
    age.prepare (setup);
    reverb.prepare (setup);
    setLatencySamples (latencySamples);
}

void TarnGloamAudioProcessor::releaseResources() {}

void TarnGloamAudioProcessor::fillMissingOutputChannels (juce::AudioBuffer<float>& buffer, int numSamples)
{
    // A mono input on a stereo output reaches the modules on both channels.
    const int ins = getTotalNumInputChannels();
    const int outs = getTotalNumOutputChannels();
    for (int ch = ins; ch < outs; ++ch)
    {
        if (ins > 0)
            buffer.copyFrom (ch, 0, buffer, 0, 0, numSamples);
        else
            buffer.clear (ch, 0, numSamples);
    }
}

void TarnGloamAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& /*midi*/)
{
    const juce::ScopedNoDenormals noDenormals;

    const int numSamples = buffer.getNumSamples();
    fillMissingOutputChannels (buffer, numSamples);
    const int numChannels = std::min (std::max (getTotalNumInputChannels(), getTotalNumOutputChannels()), 2);
    tarngloam::replaceUnusableSamples (buffer, numChannels);

    const float bleedControl = tarngloam::controlFrom (bleedParam->load());
    const float fuzzControl = tarngloam::controlFrom (fuzzParam->load());
    const float grainControl = tarngloam::controlFrom (grainParam->load());
    const float ageControl = tarngloam::controlFrom (ageParam->load());

    // Every control is in place before the first module runs.
    const double tempo = tarngloam::hostTempo (getPlayHead());
    bleed.setControls ({ bleedControl });
    fuzz.setControls ({ fuzzControl });
    grain.setControls ({ grainControl, tarngloam::samplesPerBeat (tempo, getSampleRate()) });
    age.setControls ({ ageControl });
    reverb.setControls ({ tarngloam::reverbSendLevel (bleedControl), ageControl });

    bleed.process (buffer, numChannels);
    fuzz.process (buffer, numChannels);
    grain.process (buffer, numChannels);
    age.process (buffer, numChannels);
    reverb.process (buffer, numChannels);

    if (bleedControl > 0.0f || fuzzControl > 0.0f || grainControl > 0.0f || ageControl > 0.0f)
        tarngloam::clipOutput (buffer, numChannels);
}

double TarnGloamAudioProcessor::getTailLengthSeconds() const { return static_cast<double> (0.6f); }
bool TarnGloamAudioProcessor::acceptsMidi() const { return false; }
bool TarnGloamAudioProcessor::producesMidi() const { return false; }

juce::AudioProcessorEditor* TarnGloamAudioProcessor::createEditor()
{
    return new TarnGloamAudioProcessorEditor (*this);
}

bool TarnGloamAudioProcessor::hasEditor() const { return true; }

int TarnGloamAudioProcessor::getNumPrograms() { return 1; }
int TarnGloamAudioProcessor::getCurrentProgram() { return 0; }
void TarnGloamAudioProcessor::setCurrentProgram (int /*index*/) {}
const juce::String TarnGloamAudioProcessor::getProgramName (int /*index*/) { return {}; }
void TarnGloamAudioProcessor::changeProgramName (int /*index*/, const juce::String& /*newName*/) {}

void TarnGloamAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    const auto state = parameters.copyState();
    if (const auto xml = state.createXml())
        copyXmlToBinary (*xml, destData);
}

void TarnGloamAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // Text that is not well-formed UTF-8 is nothing this plug-in wrote: ignored whole, before
    // the framework's parser could read past its end.
    if (! tarngloam::holdsWellFormedXmlText (data, sizeInBytes))
        return;

    const auto xml = getXmlFromBinary (data, sizeInBytes);
    if (xml == nullptr || ! xml->hasTagName (parameters.state.getType()))
        return;

    parameters.replaceState (tarngloam::sanitisedState (juce::ValueTree::fromXml (*xml), parameters));
}

bool TarnGloamAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto in = layouts.getMainInputChannelSet();
    const auto out = layouts.getMainOutputChannelSet();
    const auto mono = juce::AudioChannelSet::mono();
    const auto stereo = juce::AudioChannelSet::stereo();

    if (out != mono && out != stereo)
        return false;
    if (in != mono && in != stereo)
        return false;
    if (out == stereo)
        return true;
    return in == mono;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new TarnGloamAudioProcessor();
}
