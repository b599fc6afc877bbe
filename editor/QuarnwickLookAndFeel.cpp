#include "editor/QuarnwickLookAndFeel.h"

#include "editor/Palette.h"

namespace
{
const juce::PathStrokeType arcStroke { 3.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded };
} // namespace

QuarnwickLookAndFeel::QuarnwickLookAndFeel()
{
    setColour (juce::ResizableWindow::backgroundColourId, palette::background);
    setColour (juce::Label::textColourId, palette::captionText);
    setColour (juce::Slider::textBoxTextColourId, palette::valueText);
    setColour (juce::Slider::textBoxBackgroundColourId, palette::valueBackground);
    setColour (juce::Slider::textBoxOutlineColourId, palette::valueOutline);
}

juce::Font QuarnwickLookAndFeel::monospaced (float height, int style)
{
    return juce::Font (juce::FontOptions (juce::Font::getDefaultMonospacedFontName(), height, style));
}

juce::Font QuarnwickLookAndFeel::getComboBoxFont (juce::ComboBox& /*box*/)
{
    return monospaced (14.0f, juce::Font::plain);
}

juce::Font QuarnwickLookAndFeel::getLabelFont (juce::Label& label)
{
    if (label.getProperties().getWithDefault (usesOwnFontProperty, false))
        return label.getFont();

    // A label inside a slider is the knob's value box.
    if (dynamic_cast<juce::Slider*> (label.getParentComponent()) != nullptr)
        return monospaced (21.0f, juce::Font::bold);

    return monospaced (14.0f, juce::Font::plain);
}

QuarnwickLookAndFeel::KnobGeometry QuarnwickLookAndFeel::knobGeometry (int x, int y, int width, int height)
{
    const float innerWidth = static_cast<float> (juce::jmax (0, width - 12));
    const float innerHeight = static_cast<float> (juce::jmax (0, height - 12));
    const float radius = juce::jmin (innerWidth, innerHeight) * 0.5f - 4.0f;
    return { static_cast<float> (x) + 6.0f + innerWidth * 0.5f, static_cast<float> (y) + 6.0f + innerHeight * 0.5f,
             radius, radius + 6.0f };
}

void QuarnwickLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                             float rotaryStartAngle, float rotaryEndAngle, juce::Slider& /*slider*/)
{
    const auto knob = knobGeometry (x, y, width, height);
    if (knob.bodyRadius <= 0.0f)
        return; // too small to draw a knob at all

    const float cx = knob.centreX, cy = knob.centreY, r = knob.bodyRadius, ra = knob.arcRadius;
    const float angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);

    juce::Path track;
    track.addCentredArc (cx, cy, ra, ra, 0.0f, rotaryStartAngle, rotaryEndAngle, true);
    g.setColour (palette::track);
    g.strokePath (track, arcStroke);

    if (sliderPos > 0.001f)
    {
        juce::Path valueArc;
        valueArc.addCentredArc (cx, cy, ra, ra, 0.0f, rotaryStartAngle, angle, true);
        g.setColour (palette::light);
        g.strokePath (valueArc, arcStroke);
    }

    const juce::Rectangle<float> body { cx - r, cy - r, 2.0f * r, 2.0f * r };
    g.setGradientFill (juce::ColourGradient (palette::knobBodyTop, cx, cy - r, palette::knobBodyBottom, cx, cy + r, false));
    g.fillEllipse (body);
    g.setColour (palette::knobRim);
    g.drawEllipse (body, 1.5f);

    // The pointer starts at three tenths of the radius and ends inside the rim.
    const float dx = std::sin (angle), dy = -std::cos (angle);
    g.setColour (palette::light);
    g.drawLine (cx + dx * 0.3f * r, cy + dy * 0.3f * r, cx + dx * 0.86f * r, cy + dy * 0.86f * r, 2.4f);
}
