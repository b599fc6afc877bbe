#include "plugin/ProcessingFrame.h"

#include "dsp/DspPrimitives.h"

#include <algorithm>
#include <cmath>

namespace tarngloam
{
double hostTempo (juce::AudioPlayHead* playHead)
{
    double tempo = 120.0;
    if (playHead != nullptr)
        if (const auto position = playHead->getPosition())
            if (const auto bpm = position->getBpm(); bpm && ! std::isnan (*bpm))
                tempo = *bpm;

    return tempo < 20.0 ? 20.0 : (tempo > 300.0 ? 300.0 : tempo);
}

float controlFrom (float percent)
{
    const float control = percent * 0.01f;
    return std::isnan (control) ? 0.0f : control;
}

float samplesPerBeat (double tempo, double processorSampleRate)
{
    return static_cast<float> ((60.0 / tempo) * processorSampleRate);
}

float reverbSendLevel (float bleed)
{
    return 0.8f * clamp01 ((bleed - 0.45f) / 0.55f);
}

void replaceUnusableSamples (juce::AudioBuffer<float>& buffer, int numChannels)
{
    for (int ch = 0; ch < numChannels; ++ch)
    {
        auto* samples = buffer.getWritePointer (ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (! (std::fabs (samples[i]) <= largestUsableSample)) // NaN fails this too
                samples[i] = 0.0f;
    }
}

void clipOutput (juce::AudioBuffer<float>& buffer, int numChannels)
{
    for (int ch = 0; ch < numChannels; ++ch)
    {
        auto* samples = buffer.getWritePointer (ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            samples[i] = softClip (samples[i], 0.89f, 0.11f);
    }
}
} // namespace tarngloam
