#include "hosts/ScratchDirectory.h"

#include <filesystem>
#include <random>
#include <system_error>

namespace hosts
{
ScratchDirectory::ScratchDirectory (const std::string& prefix)
{
    std::error_code error;
    const auto temporary = std::filesystem::temp_directory_path (error);
    if (error)
        return;

    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const auto candidate = temporary / (prefix + "-" + std::to_string (entropy()));
        if (std::filesystem::create_directory (candidate, error))
        {
            folder = candidate.string();
            return;
        }
    }
}

ScratchDirectory::~ScratchDirectory()
{
    if (! folder.empty())
    {
        std::error_code ignored;
        std::filesystem::remove_all (folder, ignored);
    }
}
} // namespace hosts
