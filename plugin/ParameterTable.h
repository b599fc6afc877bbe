#pragma once

#include <array>
#include <cstddef>

// The plug-in's four parameters: the one place their IDs, names and defaults are written. The
// layout is built from this table, and everything else names a parameter by its enumerator, so a
// misspelt parameter does not compile. The IDs are stored in users' projects and automation, and
// hosts derive their parameter numbers from them: never change one.
namespace tarngloam
{
enum class Parameter
{
    bleed,
    fuzz,
    grain,
    age
};

struct ParameterInfo
{
    Parameter parameter;
    const char* id;       // upper case: "BLEED"
    const char* name;     // title case, shown by hosts: "Bleed"
    float defaultPercent; // the value of a fresh instance
};

inline constexpr std::size_t numParameters = 4;

// In the order the layout adds them, which is their index order towards the host.
inline constexpr std::array<ParameterInfo, numParameters> parameterTable { {
    { Parameter::bleed, "BLEED", "Bleed", 50.0f },
    { Parameter::fuzz, "FUZZ", "Fuzz", 40.0f },
    { Parameter::grain, "GRAIN", "Grain", 20.0f },
    { Parameter::age, "AGE", "Age", 30.0f },
} };

// Every parameter is a percentage in steps of a tenth.
inline constexpr float minimumPercent = 0.0f;
inline constexpr float maximumPercent = 100.0f;
inline constexpr float percentStep = 0.1f;

constexpr std::size_t indexOf (Parameter parameter) { return static_cast<std::size_t> (parameter); }
constexpr const ParameterInfo& infoOf (Parameter parameter) { return parameterTable[indexOf (parameter)]; }

// One value per parameter, in table order.
using ParameterValues = std::array<float, numParameters>;

constexpr ParameterValues defaultParameterValues()
{
    ParameterValues values {};
    for (std::size_t i = 0; i < numParameters; ++i)
        values[i] = parameterTable[i].defaultPercent;
    return values;
}

namespace detail
{
    constexpr bool tableIsInEnumOrder()
    {
        for (std::size_t i = 0; i < numParameters; ++i)
            if (indexOf (parameterTable[i].parameter) != i)
                return false;
        return true;
    }
    static_assert (tableIsInEnumOrder(), "parameterTable[i] must describe Parameter i");
} // namespace detail
} // namespace tarngloam
