#pragma once

#include "hosts/FloatWavFile.h"
#include "hosts/Lv2Host.h"
#include "hosts/ScratchDirectory.h"
#include "plugin/ParameterTable.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The built TARNGLOAM.lv2 driven by a host of our own on lilv, the LV2 reference host library:
// no code of the plug-in's framework on the host side.
namespace lv2_host_tests
{
inline const std::string pluginUri = TARNGLOAM_LV2_URI;
inline constexpr double rate = 48000.0;

inline std::string parameterUri (tarngloam::Parameter parameter)
{
    return pluginUri + ":" + tarngloam::infoOf (parameter).id;
}

class Lv2Host : public testing::Test
{
protected:
    hosts::Lv2World world { TARNGLOAM_LV2_DIR };
    const LilvPlugin* plugin = world.findPlugin (pluginUri);
    hosts::ScratchDirectory scratchDirectory { "tarngloam-lv2" };
    const std::string& scratch = scratchDirectory.path();

    void SetUp() override
    {
        ASSERT_NE (plugin, nullptr) << "no " << pluginUri << " in " << TARNGLOAM_LV2_DIR;
        ASSERT_FALSE (scratch.empty());
    }

    std::unique_ptr<hosts::Lv2Instance> instantiate (int maxBlock)
    {
        auto instance = std::make_unique<hosts::Lv2Instance> (world, plugin, rate, maxBlock);
        EXPECT_NE (instance->instance(), nullptr);
        return instance;
    }

    static void setAll (hosts::Lv2Instance& instance, const tarngloam::ParameterValues& percents)
    {
        for (const auto& info : tarngloam::parameterTable)
            instance.setParameter (parameterUri (info.parameter), percents[tarngloam::indexOf (info.parameter)]);
    }
};
} // namespace lv2_host_tests
