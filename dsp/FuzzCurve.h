#pragma once

// The fuzz's two-stage clipper curve for one control value: designed once per block (and only
// when the control moves), then applied sample by sample by the oversampled shaper.
struct FuzzCurve
{
    float bias = 0.0f; // added before the first stage, times the envelope
    float preGain = 1.0f, interGain = 1.0f, outputGain = 1.0f; // before, between and after the stages
    float threshold1 = 1.0f, threshold2 = 1.0f; // the stages' knees for positive swings
    float negativeScale = 1.0f; // negative swings meet knees this much lower
};

// The curve for a control in 0 .. 1 (limited to that range): gains and knees from the control,
// and an output gain that keeps both the peak and the loudness of a half-scale sine in check.
FuzzCurve makeFuzzCurve (float ctl);
