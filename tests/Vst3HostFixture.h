#pragma once

#include "hosts/FloatWavFile.h"
#include "hosts/ScratchDirectory.h"
#include "hosts/Vst3Host.h"
#include "plugin/ParameterTable.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

// The built TARNGLOAM.vst3 in a host of our own on the VST3 SDK's hosting classes: what a DAW that
// is not built on JUCE relies on.
namespace vst3_host_tests
{
namespace vst = Steinberg::Vst;
namespace speakers = Steinberg::Vst::SpeakerArr;

class Vst3Host : public testing::Test
{
protected:
    VST3::Hosting::Module::Ptr module;
    VST3::UID componentClass;
    hosts::ScratchDirectory scratchDirectory { "tarngloam-vst3" };
    const std::string& scratch = scratchDirectory.path();

    void SetUp() override
    {
        std::string error;
        module = VST3::Hosting::Module::create (std::filesystem::canonical (TARNGLOAM_VST3_BUNDLE).string(), error);
        ASSERT_TRUE (module) << error;
        for (const auto& info : module->getFactory().classInfos())
            if (info.category() == kVstAudioEffectClass)
                componentClass = info.ID();
        ASSERT_FALSE (scratch.empty());
    }

    std::unique_ptr<hosts::Vst3Instance> instantiate()
    {
        auto instance = std::make_unique<hosts::Vst3Instance> (module, componentClass);
        EXPECT_TRUE (instance->isValid());
        return instance;
    }

    static std::string readBytes (const std::string& path)
    {
        std::ifstream file (path, std::ios::binary);
        return { std::istreambuf_iterator<char> (file), std::istreambuf_iterator<char>() };
    }

    // The host's normalised value for a percentage, as the plug-in computes it (in float).
    static double normalised (float percent) { return static_cast<double> (percent / tarngloam::maximumPercent); }

    static void addAll (hosts::Vst3Instance& instance, hosts::ParameterChanges& changes,
                        const tarngloam::ParameterValues& percents, Steinberg::int32 offset = 0)
    {
        for (const auto& info : tarngloam::parameterTable)
            changes.add (instance.parameterId (info.name), offset, normalised (percents[tarngloam::indexOf (info.parameter)]));
    }

    static bool allFinite (const hosts::Audio& audio)
    {
        for (const auto& channel : audio.channels)
            for (float s : channel)
                if (! std::isfinite (s))
                    return false;
        return true;
    }
};
} // namespace vst3_host_tests
