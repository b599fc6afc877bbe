#include "editor/PluginEditor.h"

#include "editor/Palette.h"
#include "plugin/PluginProcessor.h"

namespace
{
constexpr int titleBandHeight = 44;
constexpr int valueBoxWidth = 96;
constexpr int valueBoxHeight = 28;
} // namespace

//==============================================================================
TarnGloamAudioProcessorEditor::TarnGloamAudioProcessorEditor (TarnGloamAudioProcessor& processorToEdit)
    : AudioProcessorEditor (processorToEdit), panel (processorToEdit)
{
    setLookAndFeel (&editorLookAndFeel);
    addAndMakeVisible (panel);
    setResizable (true, true);
    setResizeLimits (minimumWidth, minimumHeight, maximumWidth, maximumHeight);
    if (auto* boundsConstrainer = getConstrainer())
        boundsConstrainer->setFixedAspectRatio (static_cast<double> (panelWidth) / panelHeight);
    setSize (panelWidth, panelHeight);
}

TarnGloamAudioProcessorEditor::~TarnGloamAudioProcessorEditor()
{
    setLookAndFeel (nullptr);
}

void TarnGloamAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (palette::background);
}

void TarnGloamAudioProcessorEditor::resized()
{
    // The panel keeps its own size; the window scales it as a whole, by the width alone.
    const float scale = static_cast<float> (getWidth()) / static_cast<float> (panelWidth);
    panel.setTransform (juce::AffineTransform::scale (scale));
    panel.setBounds (0, 0, panelWidth, panelHeight);
}

//==============================================================================
TarnGloamAudioProcessorEditor::Panel::Panel (TarnGloamAudioProcessor& processorToControl)
    : processor (processorToControl)
{
    for (auto* label : { &titleLabel, &makerLabel })
    {
        label->setColour (juce::Label::textColourId, palette::titleText);
        label->setBorderSize (juce::BorderSize<int> (0));
        label->getProperties().set (QuarnwickLookAndFeel::usesOwnFontProperty, true);
    }

    titleLabel.setText ("TARNGLOAM", juce::dontSendNotification);
    titleLabel.setFont (QuarnwickLookAndFeel::monospaced (22.0f, juce::Font::bold));
    titleLabel.setJustificationType (juce::Justification::centredLeft);
    addAndMakeVisible (titleLabel);

    makerLabel.setText ("VORLA", juce::dontSendNotification);
    makerLabel.setFont (QuarnwickLookAndFeel::monospaced (13.0f, juce::Font::bold));
    makerLabel.setJustificationType (juce::Justification::centredRight);
    addAndMakeVisible (makerLabel);

    // Each knob is captioned with its parameter's ID and bound to that parameter.
    const struct
    {
        tarngloam::Parameter parameter;
        juce::Label& caption;
        juce::Slider& knob;
        std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>& attachment;
    } knobs[] = {
        { tarngloam::Parameter::bleed, bleedLabel, bleedSlider, bleedAttachment },
        { tarngloam::Parameter::fuzz, fuzzLabel, fuzzSlider, fuzzAttachment },
        { tarngloam::Parameter::grain, grainLabel, grainSlider, grainAttachment },
        { tarngloam::Parameter::age, ageLabel, ageSlider, ageAttachment },
    };
    for (const auto& k : knobs)
    {
        setupCaption (k.caption, tarngloam::infoOf (k.parameter).id);
        setupKnob (k.knob);
        k.attachment = attach (tarngloam::infoOf (k.parameter).id, k.knob);
    }
}

TarnGloamAudioProcessorEditor::Panel::~Panel() = default;

std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>
    TarnGloamAudioProcessorEditor::Panel::attach (const juce::String& parameterId, juce::Slider& knob)
{
    return std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor.parameters, parameterId,
                                                                                   knob);
}

void TarnGloamAudioProcessorEditor::Panel::setupCaption (juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setJustificationType (juce::Justification::centred);
    label.setBorderSize (juce::BorderSize<int> (0));
    addAndMakeVisible (label);
}

void TarnGloamAudioProcessorEditor::Panel::setupKnob (juce::Slider& slider)
{
    slider.setSliderStyle (juce::Slider::RotaryVerticalDrag);
    slider.setTextBoxStyle (juce::Slider::TextBoxBelow, false, valueBoxWidth, valueBoxHeight);
    slider.setTextValueSuffix (" %");
    addAndMakeVisible (slider);
}

void TarnGloamAudioProcessorEditor::Panel::paint (juce::Graphics& g)
{
    g.fillAll (palette::background);
    g.setColour (palette::accent);
    g.fillRect (juce::Rectangle<float> (0.0f, 0.0f, static_cast<float> (getWidth()),
                                        static_cast<float> (juce::jmin (getHeight(), titleBandHeight))));
}

void TarnGloamAudioProcessorEditor::Panel::resized()
{
    auto bounds = getLocalBounds();
    const auto band = bounds.removeFromTop (juce::jmin (getHeight(), titleBandHeight));

    auto header = band.reduced (16, 6);
    titleLabel.setBounds (header.removeFromLeft (header.getWidth() * 2 / 3));
    makerLabel.setBounds (header);

    auto body = bounds.reduced (16, 12);
    auto topRow = body.removeFromTop (198);
    body.removeFromTop (18);
    auto bottomRow = body;

    const auto topLeft = topRow.removeFromLeft (topRow.getWidth() / 2);
    const auto bottomLeft = bottomRow.removeFromLeft (bottomRow.getWidth() / 2);

    placeKnob (topLeft, bleedLabel, bleedSlider, 150);
    placeKnob (topRow, fuzzLabel, fuzzSlider, 112);
    placeKnob (bottomLeft, grainLabel, grainSlider, 124);
    placeKnob (bottomRow, ageLabel, ageSlider, 124);
}

void TarnGloamAudioProcessorEditor::Panel::placeKnob (juce::Rectangle<int> cell, juce::Label& caption,
                                                      juce::Slider& knob, int largestSize)
{
    auto rest = cell;
    caption.setBounds (rest.removeFromTop (juce::jmin (22, rest.getHeight())));
    rest.removeFromTop (juce::jmin (2, rest.getHeight()));

    // The knob stands on the cell's bottom edge, its value box below the rotary area.
    const int size = juce::jmax (0, juce::jmin (rest.getHeight() - valueBoxHeight, cell.getWidth(), largestSize));
    knob.setBounds (cell.getX() + cell.getWidth() / 2 - size / 2, cell.getY() + cell.getHeight() - size - valueBoxHeight,
                    size, size + valueBoxHeight);
}
