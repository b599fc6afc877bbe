#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Mouse gestures on a knob, as a user makes them.
namespace testing_support
{
inline juce::MouseEvent mouseEventAt (juce::Slider& slider, juce::Point<float> position, juce::Point<float> downAt,
                               bool dragged)
{
    return { juce::Desktop::getInstance().getMainMouseSource(), position, juce::ModifierKeys::leftButtonModifier,
             juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &slider, &slider,
             juce::Time::getCurrentTime(), downAt, juce::Time::getCurrentTime(), 1, dragged };
}

inline void drag (juce::Slider& slider, juce::Point<float> by)
{
    const auto start = slider.getLocalBounds().getCentre().toFloat();
    slider.mouseDown (mouseEventAt (slider, start, start, false));
    for (int step = 1; step <= 10; ++step)
        slider.mouseDrag (mouseEventAt (slider, start + by * (static_cast<float> (step) / 10.0f), start, true));
    slider.mouseUp (mouseEventAt (slider, start + by, start, true));
}

} // namespace testing_support
