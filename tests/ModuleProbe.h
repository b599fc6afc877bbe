#pragma once

#include "dsp/AgeModule.h"
#include "dsp/BleedModule.h"
#include "dsp/FuzzModule.h"
#include "dsp/GrainModule.h"
#include "dsp/ReverbModule.h"
#include "plugin/PluginProcessor.h"

// The internals that a few tests read or set because no output shows them directly: the sizes a
// prepare chooses, smoother ramps, envelope and phase positions, untouched channels' state. Each
// module (and the processor) names these structs as friends; nothing else reaches its state.
#define TARNGLOAM_PROBE(Type, member)                                      \
    static auto& member (Type& object) { return object.member; }             \
    static const auto& member (const Type& object) { return object.member; }

struct ModuleProbe
{
    static constexpr const auto& tapBaseDelays = BleedModule::tapBaseDelays;
    static constexpr const auto& reverbBaseLengths = ReverbModule::baseLengths;
    static constexpr const auto& reverbAllpassLengths = ReverbModule::allpassLengths;

    template <typename Module>
    static bool isPrepared (const Module& module) { return module.isPrepared(); }

    // Puts a module's random generator back at its seed, as in a new instance.
    static void reseed (BleedModule& module) { module.random.setSeed (BleedModule::randomSeed); }
    static void reseed (GrainModule& module) { module.random.setSeed (GrainModule::randomSeed); }
    static void reseed (AgeModule& module) { module.random.setSeed (AgeModule::randomSeed); }

    TARNGLOAM_PROBE (BleedModule, amount)
    TARNGLOAM_PROBE (BleedModule, writeIndex)
    TARNGLOAM_PROBE (BleedModule, delayLength)
    TARNGLOAM_PROBE (BleedModule, delayMask)
    TARNGLOAM_PROBE (BleedModule, delayBuffers)
    TARNGLOAM_PROBE (BleedModule, subPeriod)
    TARNGLOAM_PROBE (BleedModule, octavePeriod)
    TARNGLOAM_PROBE (BleedModule, subPhase)
    TARNGLOAM_PROBE (BleedModule, octavePhase)
    TARNGLOAM_PROBE (BleedModule, octaveOffset)
    TARNGLOAM_PROBE (BleedModule, tapPhase)
    TARNGLOAM_PROBE (BleedModule, tapDriftTarget)
    TARNGLOAM_PROBE (BleedModule, tapHoldCounter)
    TARNGLOAM_PROBE (BleedModule, driftHoldSamples)
    TARNGLOAM_PROBE (BleedModule, inputLowpass)
    TARNGLOAM_PROBE (BleedModule, dcBlockers)
    TARNGLOAM_PROBE (BleedModule, random)

    TARNGLOAM_PROBE (FuzzModule, amount)
    TARNGLOAM_PROBE (FuzzModule, shaper)
    TARNGLOAM_PROBE (FuzzModule, holdSamples)
    TARNGLOAM_PROBE (FuzzModule, holdCounter)
    TARNGLOAM_PROBE (FuzzModule, releaseFactor)
    TARNGLOAM_PROBE (FuzzModule, envelope)
    TARNGLOAM_PROBE (FuzzModule, dryDelay)
    TARNGLOAM_PROBE (FuzzModule, dryDelayIndex)
    TARNGLOAM_PROBE (FuzzModule, previousMix)
    TARNGLOAM_PROBE (FuzzModule, toneFilters)
    TARNGLOAM_PROBE (FuzzModule, dcBlockers)
    TARNGLOAM_PROBE (OversampledShaper, tone)
    TARNGLOAM_PROBE (OversampledShaper, upHistory)

    TARNGLOAM_PROBE (GrainModule, amount)
    TARNGLOAM_PROBE (GrainModule, bufferSize)
    TARNGLOAM_PROBE (GrainModule, writeIndex)
    TARNGLOAM_PROBE (GrainModule, buffers)
    TARNGLOAM_PROBE (GrainModule, maxGrainLength)
    TARNGLOAM_PROBE (GrainModule, grainLength)
    TARNGLOAM_PROBE (GrainModule, beatLength)
    TARNGLOAM_PROBE (GrainModule, grainOffsets)
    TARNGLOAM_PROBE (GrainModule, lowpasses)
    TARNGLOAM_PROBE (GrainModule, random)
    static int minGrainLength (const GrainModule& grain) { return grain.minGrainLength(); }

    TARNGLOAM_PROBE (AgeModule, amount)
    TARNGLOAM_PROBE (AgeModule, bufferSize)
    TARNGLOAM_PROBE (AgeModule, writeIndex)
    TARNGLOAM_PROBE (AgeModule, buffers)
    TARNGLOAM_PROBE (AgeModule, drive)
    TARNGLOAM_PROBE (AgeModule, clipThreshold)
    TARNGLOAM_PROBE (AgeModule, makeupGain)
    TARNGLOAM_PROBE (AgeModule, lowpasses)
    TARNGLOAM_PROBE (AgeModule, lfoPhases)
    TARNGLOAM_PROBE (AgeModule, driftPeriod)
    TARNGLOAM_PROBE (AgeModule, driftCounters)
    TARNGLOAM_PROBE (AgeModule, driftTargets)
    TARNGLOAM_PROBE (AgeModule, driftValues)
    TARNGLOAM_PROBE (AgeModule, random)

    TARNGLOAM_PROBE (ReverbModule, send)
    TARNGLOAM_PROBE (ReverbModule, brightness)
    TARNGLOAM_PROBE (ReverbModule, lines)
    TARNGLOAM_PROBE (ReverbModule, lineLengths)
    TARNGLOAM_PROBE (ReverbModule, lineSizes)
    TARNGLOAM_PROBE (ReverbModule, lineMasks)
    TARNGLOAM_PROBE (ReverbModule, lineWriteIndices)
    TARNGLOAM_PROBE (ReverbModule, lineGains)
    TARNGLOAM_PROBE (ReverbModule, lfoPhases)
    TARNGLOAM_PROBE (ReverbModule, damping)
    TARNGLOAM_PROBE (ReverbModule, loopAllpassLengths)
    TARNGLOAM_PROBE (ReverbModule, diffuserLengths)
    TARNGLOAM_PROBE (ReverbModule, diffuserIndices)
    TARNGLOAM_PROBE (ReverbModule, preDelays)
    TARNGLOAM_PROBE (ReverbModule, preDelayLength)
    TARNGLOAM_PROBE (ReverbModule, preDelaySize)
    TARNGLOAM_PROBE (ReverbModule, preDelayWriteIndex)
    TARNGLOAM_PROBE (ReverbModule, dcBlockers)
};

struct ProcessorProbe
{
    TARNGLOAM_PROBE (TarnGloamAudioProcessor, bleed)
    TARNGLOAM_PROBE (TarnGloamAudioProcessor, grain)
    TARNGLOAM_PROBE (TarnGloamAudioProcessor, reverb)

    // Puts the three random generators back at their seeds, as in a new instance, so that a
    // processor can be reused where a test or fuzz input must start exactly as a new one does.
    static void reseedRandomGenerators (TarnGloamAudioProcessor& processor)
    {
        ModuleProbe::reseed (processor.bleed);
        ModuleProbe::reseed (processor.grain);
        ModuleProbe::reseed (processor.age);
    }
};

#undef TARNGLOAM_PROBE
