#pragma once

#include <juce_graphics/juce_graphics.h>

// TARNGLOAM's colours, each named once: the editor, its look and feel and the demo's picture
// draw with these.
namespace palette
{
inline const juce::Colour background { 0xff1a222e };
inline const juce::Colour accent { 0xff5f8b86 };      // the title band
inline const juce::Colour titleText { 0xff16202b };
inline const juce::Colour captionText { 0xffd8dde2 };
inline const juce::Colour valueText { 0xffccd4db };
inline const juce::Colour valueBackground { 0xff2b3643 };
inline const juce::Colour valueOutline { 0x00000000 };
inline const juce::Colour track { 0xff38424f };       // a knob's unlit arc
inline const juce::Colour light { 0xffe9e5d9 };       // a knob's lit arc and pointer
inline const juce::Colour knobBodyTop { 0xff3a4655 };
inline const juce::Colour knobBodyBottom { 0xff29323f };
inline const juce::Colour knobRim { 0xff141b24 };
} // namespace palette
