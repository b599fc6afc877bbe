#pragma once

#include "hosts/FloatWavFile.h"

namespace hosts
{
// A deterministic test signal: two detuned sines per channel and a little noise, below full scale.
Audio makeTestSignal (int numChannels, int numSamples, double sampleRate, unsigned seed);
} // namespace hosts
