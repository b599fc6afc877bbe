#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// TARNGLOAM's dark palette, knob drawing and monospaced fonts.
class QuarnwickLookAndFeel : public juce::LookAndFeel_V4
{
public:
    QuarnwickLookAndFeel();

    juce::Font getComboBoxFont (juce::ComboBox& box) override;
    juce::Font getLabelFont (juce::Label& label) override;
    void drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    // Where a knob sits inside a rotary area: centre, body radius and the radius of its arcs.
    struct KnobGeometry
    {
        float centreX, centreY, bodyRadius, arcRadius;
    };
    static KnobGeometry knobGeometry (int x, int y, int width, int height);

    // A label carrying this property draws in its own font (the title band's name and maker).
    static constexpr const char* usesOwnFontProperty = "usesOwnFont";

    static juce::Font monospaced (float height, int style);
};
