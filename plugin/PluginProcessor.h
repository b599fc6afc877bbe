#pragma once

#include "dsp/AgeModule.h"
#include "dsp/BleedModule.h"
#include "dsp/FuzzModule.h"
#include "dsp/GrainModule.h"
#include "dsp/ReverbModule.h"

#include "plugin/ParameterTable.h"
#include "plugin/Vst3BlockGuard.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

class TarnGloamAudioProcessor : public juce::AudioProcessor
{
public:
    TarnGloamAudioProcessor();
    ~TarnGloamAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    // Guards JUCE's VST3 wrapper against blocks longer than the host announced.
    juce::VST3ClientExtensions* getVST3ClientExtensions() override { return &vst3Extensions; }

    // The fuzz module's oversampling path plus the age module's read delay at rest.
    static constexpr int latencySamples = FuzzModule::latencySamples + AgeModule::latencySamples;

    juce::AudioProcessorValueTreeState parameters;

    // A parameter of `parameters`, and its live raw value in percent.
    juce::RangedAudioParameter& parameterOf (tarngloam::Parameter parameter);
    std::atomic<float>& rawValueOf (tarngloam::Parameter parameter);

private:
    // The tests' window on the chain (random seeds, derived controls); nothing else reaches it.
    friend struct ProcessorProbe;

    std::atomic<float>* bleedParam = nullptr;
    std::atomic<float>* fuzzParam = nullptr;
    std::atomic<float>* grainParam = nullptr;
    std::atomic<float>* ageParam = nullptr;

    BleedModule bleed;
    FuzzModule fuzz;
    GrainModule grain;
    AgeModule age;
    ReverbModule reverb;

    void fillMissingOutputChannels (juce::AudioBuffer<float>& buffer, int numSamples);

    TarnGloamVst3Extensions vst3Extensions { *this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarnGloamAudioProcessor)
};
