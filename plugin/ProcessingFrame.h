#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// The per-block computations that turn the host's tempo and the parameters into module controls.
namespace tarngloam
{
// Host tempo in beats per minute: 120 without a play head, position or tempo (or with one that is
// not a number); limited to 20..300.
double hostTempo (juce::AudioPlayHead* playHead);

// A parameter's raw value in percent as a control, scaled by 0.01; a value that is not a number
// (a broken host can send one) counts as 0.
float controlFrom (float percent);

// Samples per beat at the processor's rate (the grain module holds it within its limits).
float samplesPerBeat (double tempo, double processorSampleRate);

// Reverb wet level from the BLEED control: nothing up to 0.45, rising linearly to 0.8 at 1.
float reverbSendLevel (float bleed);

// The largest input sample the chain takes as it is: 1e30, some 600 dB above full scale. Sums of
// values near the float limit overflow inside the filters.
inline constexpr float largestUsableSample = 1.0e30f;

// Sets input samples the chain cannot use to 0: NaN, infinities and magnitudes beyond
// largestUsableSample. One such sample from a host must not poison the filters, delay lines and
// reverb network for good. Every other sample is left exactly as it is.
void replaceUnusableSamples (juce::AudioBuffer<float>& buffer, int numChannels);

// Output limiter: untouched up to 0.89, then a tanh knee towards 1.
void clipOutput (juce::AudioBuffer<float>& buffer, int numChannels);
} // namespace tarngloam
