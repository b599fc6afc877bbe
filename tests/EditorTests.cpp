#include "EditorTestHelpers.h"
#include "TestHelpers.h"

#include "editor/PluginEditor.h"

using namespace testing_support;

namespace
{
using Editor = TarnGloamAudioProcessorEditor;

juce::Label* valueBoxOf (juce::Slider& slider)
{
    for (auto* child : slider.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            return label;
    return nullptr;
}

juce::Slider* knobsOf (Editor& editor, int index)
{
    juce::Slider* knobs[] = { &editor.panel.bleedSlider, &editor.panel.fuzzSlider, &editor.panel.grainSlider,
                              &editor.panel.ageSlider };
    return knobs[index];
}


void doubleClick (juce::Slider& slider)
{
    const auto centre = slider.getLocalBounds().getCentre().toFloat();
    const juce::MouseEvent event (juce::Desktop::getInstance().getMainMouseSource(), centre, {},
                                  juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &slider, &slider,
                                  juce::Time::getCurrentTime(), centre, juce::Time::getCurrentTime(), 2, false);
    slider.mouseDoubleClick (event);
}
} // namespace

TEST (Editor, PanelLayoutAt480By482)
{
    TarnGloamAudioProcessor processor;
    Editor editor (processor);
    ASSERT_EQ (editor.getWidth(), 480);
    ASSERT_EQ (editor.getHeight(), 482);
    auto& panel = editor.panel;

    const struct
    {
        const char* name;
        juce::Component& component;
        juce::Rectangle<int> bounds;
    } cases[] = {
        { "title", panel.titleLabel, { 16, 6, 298, 32 } },      { "maker", panel.makerLabel, { 314, 6, 150, 32 } },
        { "BLEED caption", panel.bleedLabel, { 16, 56, 224, 22 } }, { "FUZZ caption", panel.fuzzLabel, { 240, 56, 224, 22 } },
        { "GRAIN caption", panel.grainLabel, { 16, 272, 224, 22 } }, { "AGE caption", panel.ageLabel, { 240, 272, 224, 22 } },
        { "BLEED knob", panel.bleedSlider, { 55, 80, 146, 174 } },   { "FUZZ knob", panel.fuzzSlider, { 296, 114, 112, 140 } },
        { "GRAIN knob", panel.grainSlider, { 66, 318, 124, 152 } },  { "AGE knob", panel.ageSlider, { 290, 318, 124, 152 } },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.component.getBounds(), c.bounds) << c.name;

    EXPECT_EQ (panel.getBounds(), juce::Rectangle<int> (0, 0, 480, 482));
    EXPECT_EQ (panel.titleLabel.getText(), "TARNGLOAM");
    EXPECT_EQ (panel.makerLabel.getText(), "VORLA");
    EXPECT_EQ (panel.bleedLabel.getText(), tarngloam::infoOf (Parameter::bleed).id);
    EXPECT_EQ (panel.ageLabel.getText(), tarngloam::infoOf (Parameter::age).id);

    // Each knob's value box is the 96 x 28 box centred under its rotary area.
    auto* box = valueBoxOf (panel.fuzzSlider);
    ASSERT_NE (box, nullptr);
    EXPECT_EQ (box->getBounds(), juce::Rectangle<int> (8, 112, 96, 28));
}

TEST (Editor, ResizingKeepsTheRatioAndScalesThePanel)
{
    TarnGloamAudioProcessor processor;
    Editor editor (processor);
    auto* constrainer = editor.getConstrainer();
    ASSERT_NE (constrainer, nullptr);

    const struct
    {
        int requestedWidth;
        juce::Rectangle<int> result;
        float scale;
    } cases[] = {
        { 360, { 0, 0, 360, 362 }, 0.75f }, { 960, { 0, 0, 960, 964 }, 2.0f }, { 200, { 0, 0, 360, 362 }, 0.75f },
        { 2000, { 0, 0, 960, 964 }, 2.0f }, { 480, { 0, 0, 480, 482 }, 1.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.requestedWidth);
        constrainer->setBoundsForComponent (&editor, { 0, 0, c.requestedWidth, 482 }, false, false, false, true);
        EXPECT_EQ (editor.getLocalBounds(), c.result);
        EXPECT_EQ (editor.panel.getBounds(), juce::Rectangle<int> (0, 0, 480, 482));
        const auto transform = editor.panel.getTransform();
        EXPECT_FLOAT_EQ (transform.mat00, c.scale);
        EXPECT_FLOAT_EQ (transform.mat11, c.scale);
        EXPECT_EQ (transform.mat01, 0.0f);
        EXPECT_EQ (transform.mat02, 0.0f);
        EXPECT_EQ (transform.mat12, 0.0f);
        EXPECT_EQ (editor.panel.bleedSlider.getBounds(), juce::Rectangle<int> (55, 80, 146, 174)) << "never re-laid out";
    }
}

TEST (Editor, KnobsFollowAndSetTheirParameters)
{
    TarnGloamAudioProcessor processor;
    auto editor = std::make_unique<Editor> (processor);

    for (int i = 0; i < 4; ++i)
    {
        const auto& info = tarngloam::parameterTable[static_cast<size_t> (i)];
        auto* box = valueBoxOf (*knobsOf (*editor, i));
        ASSERT_NE (box, nullptr);
        EXPECT_EQ (box->getText(), juce::String (juce::roundToInt (info.defaultPercent)) + " %") << info.id;
        EXPECT_EQ (knobsOf (*editor, i)->getSliderStyle(), juce::Slider::RotaryVerticalDrag);
    }

    // The host moves a parameter: its knob follows.
    setPercent (processor, Parameter::fuzz, 73.0f);
    EXPECT_FLOAT_EQ (static_cast<float> (editor->panel.fuzzSlider.getValue()), 73.0f);
    EXPECT_EQ (valueBoxOf (editor->panel.fuzzSlider)->getText(), "73 %");

    // Typing into a value box sets the parameter, and the box shows the whole-number text.
    valueBoxOf (editor->panel.grainSlider)->setText ("61.6", juce::sendNotificationSync);
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::grain), 61.6f);
    EXPECT_EQ (valueBoxOf (editor->panel.grainSlider)->getText(), "62 %");

    // A double-click returns the knob to its parameter's default.
    setPercent (processor, Parameter::age, 90.0f);
    doubleClick (editor->panel.ageSlider);
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::age), 30.0f);

    // Closing and reopening shows the same values: they live in the processor.
    editor.reset();
    Editor reopened (processor);
    EXPECT_FLOAT_EQ (static_cast<float> (reopened.panel.fuzzSlider.getValue()), 73.0f);
    EXPECT_EQ (valueBoxOf (reopened.panel.grainSlider)->getText(), "62 %");
    EXPECT_EQ (valueBoxOf (reopened.panel.ageSlider)->getText(), "30 %");
}

TEST (Editor, KnobsTurnWithVerticalDragsOnly)
{
    TarnGloamAudioProcessor processor;
    Editor editor (processor);
    auto& knob = editor.panel.grainSlider;

    drag (knob, { 80.0f, 0.0f });
    EXPECT_FLOAT_EQ (percentOf (processor, Parameter::grain), 20.0f) << "a horizontal drag leaves the value";

    drag (knob, { 0.0f, -60.0f });
    EXPECT_GT (percentOf (processor, Parameter::grain), 20.0f) << "dragging up turns the knob up";

    const float raised = percentOf (processor, Parameter::grain);
    drag (knob, { 0.0f, 40.0f });
    EXPECT_LT (percentOf (processor, Parameter::grain), raised) << "dragging down turns it back";
}

TEST (Editor, ProcessorCreatesItsOwnEditor)
{
    TarnGloamAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    EXPECT_NE (dynamic_cast<Editor*> (editor.get()), nullptr);
    EXPECT_TRUE (editor->isResizable());
}

TEST (LookAndFeel, LabelAndComboBoxFonts)
{
    QuarnwickLookAndFeel lookAndFeel;
    const auto mono = juce::Font::getDefaultMonospacedFontName();

    juce::Slider slider (juce::Slider::RotaryVerticalDrag, juce::Slider::TextBoxBelow);
    auto* valueBox = valueBoxOf (slider);
    ASSERT_NE (valueBox, nullptr);
    const auto valueFont = lookAndFeel.getLabelFont (*valueBox);
    EXPECT_EQ (valueFont.getTypefaceName(), mono);
    EXPECT_EQ (valueFont.getHeight(), 21.0f);
    EXPECT_TRUE (valueFont.isBold());

    juce::Label caption;
    juce::Label withOwnFont;
    withOwnFont.setFont (juce::Font (juce::FontOptions (40.0f, juce::Font::italic)));
    for (auto* label : { &caption, &withOwnFont })
    {
        const auto font = lookAndFeel.getLabelFont (*label);
        EXPECT_EQ (font.getTypefaceName(), mono);
        EXPECT_EQ (font.getHeight(), 14.0f);
        EXPECT_FALSE (font.isBold());
        EXPECT_FALSE (font.isItalic());
    }

    juce::ComboBox shortBox, tallBox;
    shortBox.setSize (100, 12);
    tallBox.setSize (100, 80);
    for (auto* box : { &shortBox, &tallBox })
    {
        const auto font = lookAndFeel.getComboBoxFont (*box);
        EXPECT_EQ (font.getTypefaceName(), mono);
        EXPECT_EQ (font.getHeight(), 14.0f);
        EXPECT_FALSE (font.isBold());
    }
}

TEST (LookAndFeel, TitleAndMakerDrawInTheirOwnFonts)
{
    TarnGloamAudioProcessor processor;
    Editor editor (processor);
    const auto title = editor.editorLookAndFeel.getLabelFont (editor.panel.titleLabel);
    const auto maker = editor.editorLookAndFeel.getLabelFont (editor.panel.makerLabel);
    EXPECT_EQ (title.getHeight(), 22.0f);
    EXPECT_TRUE (title.isBold());
    EXPECT_EQ (maker.getHeight(), 13.0f);
    EXPECT_TRUE (maker.isBold());
    EXPECT_EQ (editor.editorLookAndFeel.getLabelFont (editor.panel.bleedLabel).getHeight(), 14.0f);
}

TEST (LookAndFeel, KnobGeometryForThePanelsThreeSizes)
{
    const struct
    {
        int size;
        float body, arc;
    } cases[] = { { 146, 63.0f, 69.0f }, { 112, 46.0f, 52.0f }, { 124, 52.0f, 58.0f } };

    for (const auto& c : cases)
    {
        const auto knob = QuarnwickLookAndFeel::knobGeometry (10, 20, c.size, c.size);
        EXPECT_EQ (knob.bodyRadius, c.body) << c.size;
        EXPECT_EQ (knob.arcRadius, c.arc) << c.size;
        EXPECT_EQ (knob.centreX, 10.0f + c.size * 0.5f);
        EXPECT_EQ (knob.centreY, 20.0f + c.size * 0.5f);
    }

    // A non-square area gives a round knob sized by the shorter side, centred.
    const auto wide = QuarnwickLookAndFeel::knobGeometry (0, 0, 200, 112);
    EXPECT_EQ (wide.bodyRadius, 46.0f);
    EXPECT_EQ (wide.centreX, 100.0f);
}

TEST (LookAndFeel, ValueArcAppearsOnlyAbovePosition0_001)
{
    QuarnwickLookAndFeel lookAndFeel;
    juce::Slider slider;
    const float start = juce::MathConstants<float>::pi * 1.2f;
    const float end = juce::MathConstants<float>::pi * 2.8f;

    // Sample the arc a little past its start, where the value arc would begin.
    const auto knob = QuarnwickLookAndFeel::knobGeometry (0, 0, 146, 146);
    const float probeAngle = start + 0.2f;
    const int px = juce::roundToInt (knob.centreX + std::sin (probeAngle) * knob.arcRadius);
    const int py = juce::roundToInt (knob.centreY - std::cos (probeAngle) * knob.arcRadius);

    const auto colourAt = [&] (float pos) {
        juce::Image image (juce::Image::ARGB, 146, 146, true);
        juce::Graphics g (image);
        lookAndFeel.drawRotarySlider (g, 0, 0, 146, 146, pos, start, end, slider);
        return image.getPixelAt (px, py);
    };

    const auto track = juce::Colour (0xff38424f);
    const auto light = juce::Colour (0xffe9e5d9);
    for (float pos : { 0.0f, 0.001f })
    {
        const auto colour = colourAt (pos);
        EXPECT_LT (std::abs (colour.getBrightness() - track.getBrightness()), 0.1f) << pos;
    }
    const auto full = colourAt (1.0f);
    EXPECT_LT (std::abs (full.getBrightness() - light.getBrightness()), 0.1f);
}
