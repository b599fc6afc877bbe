#include "hosts/RenderTool.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace hosts
{
namespace
{
#ifdef _WIN32
    // cmd.exe: paths and options here hold no double quotes.
    std::string quoted (const std::string& text) { return "\"" + text + "\""; }
    // cmd.exe strips the outer quotes of a line that starts with one, so the line is quoted again.
    std::string silencedCommandLine (const std::string& line) { return "\"" + line + " > NUL\""; }
#else
    std::string quoted (const std::string& text)
    {
        std::string result = "'";
        for (char c : text)
            result += (c == '\'') ? std::string ("'\\''") : std::string (1, c);
        return result + "'";
    }
    std::string silencedCommandLine (const std::string& line) { return line + " > /dev/null"; }
#endif
} // namespace

std::optional<Audio> renderWithTool (const std::string& tool, const Audio& input, const std::vector<std::string>& options,
                                     const std::string& scratchDirectory)
{
    const auto inPath = scratchDirectory + "/render-in.wav";
    const auto outPath = scratchDirectory + "/render-out.wav";
    if (! writeFloatWav (inPath, input))
        return std::nullopt;

    std::ostringstream command;
    command << quoted (tool) << " " << quoted (inPath) << " " << quoted (outPath);
    for (const auto& option : options)
        command << " " << quoted (option);
    if (std::system (silencedCommandLine (command.str()).c_str()) != 0)
        return std::nullopt;
    return readFloatWav (outPath);
}

std::vector<std::string> rawRenderOptions (const tarngloam::ParameterValues& percents, int blockSize)
{
    std::vector<std::string> options { "--no-trim", "--no-tail", "--block", std::to_string (blockSize) };
    for (const auto& info : tarngloam::parameterTable)
    {
        std::string option = "--" + std::string (info.id);
        for (auto& c : option)
            c = static_cast<char> (std::tolower (static_cast<unsigned char> (c)));
        options.push_back (option);
        options.push_back (std::to_string (percents[tarngloam::indexOf (info.parameter)]));
    }
    return options;
}
} // namespace hosts
