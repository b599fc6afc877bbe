#include "plugin/FiniteNumberParser.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace tarngloam
{
bool parseFiniteNumber (const juce::String& text, double& result)
{
    auto utf8 = text.trim().toStdString();
    if (utf8.empty())
        return false;

    // from_chars ignores the locale, so a host running in any language reads "50.5" alike. It
    // takes a '-' but no '+': drop one '+', but never in front of another sign.
    if (utf8.front() == '+')
    {
        utf8.erase (0, 1);
        if (utf8.empty() || utf8.front() == '-' || utf8.front() == '+')
            return false;
    }
    const auto* end = utf8.data() + utf8.size();
    double value = 0.0;
    const auto [stop, error] = std::from_chars (utf8.data(), end, value, std::chars_format::general);
    if (error != std::errc() || stop != end || ! std::isfinite (value))
        return false;
    result = value;
    return true;
}
} // namespace tarngloam
