#pragma once

#include "editor/QuarnwickLookAndFeel.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

class TarnGloamAudioProcessor;

// The plug-in window: one panel laid out once at 480 x 482 and scaled as a whole when the
// window is resized, keeping its aspect ratio.
class TarnGloamAudioProcessorEditor : public juce::AudioProcessorEditor
{
public:
    // The panel's logical size, and the window's limits at that aspect ratio.
    static constexpr int panelWidth = 480;
    static constexpr int panelHeight = 482;
    static constexpr int minimumWidth = 360, minimumHeight = 361;
    static constexpr int maximumWidth = 960, maximumHeight = 964;

    explicit TarnGloamAudioProcessorEditor (TarnGloamAudioProcessor& processorToEdit);
    ~TarnGloamAudioProcessorEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    // Title band, and four knobs with captions and editable value boxes bound to the parameters.
    class Panel : public juce::Component
    {
    public:
        explicit Panel (TarnGloamAudioProcessor& processorToControl);
        ~Panel() override;

        void paint (juce::Graphics& g) override;
        void resized() override;

        TarnGloamAudioProcessor& processor;
        juce::Label titleLabel, makerLabel;
        juce::Label bleedLabel, fuzzLabel, grainLabel, ageLabel;
        juce::Slider bleedSlider, fuzzSlider, grainSlider, ageSlider;
        // Declared after the sliders, so they are destroyed first.
        std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> bleedAttachment, fuzzAttachment,
            grainAttachment, ageAttachment;

    private:
        void setupCaption (juce::Label& label, const juce::String& text);
        void setupKnob (juce::Slider& slider);
        static void placeKnob (juce::Rectangle<int> cell, juce::Label& caption, juce::Slider& knob, int largestSize);
        std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment> attach (const juce::String& parameterId,
                                                                                       juce::Slider& knob);

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Panel)
    };

    // Declared first: the look and feel outlives every component that draws with it.
    QuarnwickLookAndFeel editorLookAndFeel;
    Panel panel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TarnGloamAudioProcessorEditor)
};
