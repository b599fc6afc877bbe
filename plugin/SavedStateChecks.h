#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstddef>

// What a restored state must pass before the parameters take anything from it.
namespace tarngloam
{
// True when the blob carries XML text in the framework's binary layout ("VC2!", a positive length,
// the text) and that text, up to its end or its first zero byte, is well-formed UTF-8 (RFC 3629)
// and plain well-formed XML. JUCE's UTF-8 reader trusts lead bytes, so anything else could make its
// XML parser run past the end of the text, and it can loop for ever on malformed XML; this plug-in
// only ever writes plain ASCII XML.
bool holdsWellFormedXmlText (const void* data, int sizeInBytes);

// True when `bytes` is well-formed UTF-8: complete sequences, shortest forms, no surrogates and
// nothing above U+10FFFF.
bool isWellFormedUtf8 (const char* bytes, size_t numBytes);

// True when `text` is a well-formed XML document of the plain kind a saved state is: an optional
// declaration, one root element, nested elements with quoted attributes, character data with
// entity references, comments and CDATA; no DOCTYPE, no other processing instructions, at most 32
// levels deep. Checked in one pass: JUCE's XML parser can loop for ever on malformed text.
bool isPlainWellFormedXml (const char* text, size_t numBytes);

// The tree to give the parameters from a restored one: exactly one PARAM per parameter, with its
// stored value limited to 0..100, or its current value where the stored one is missing or not a
// finite number (the first PARAM of an ID and its first value count). Anything else is dropped.
juce::ValueTree sanitisedState (const juce::ValueTree& restored, juce::AudioProcessorValueTreeState& current);
} // namespace tarngloam
