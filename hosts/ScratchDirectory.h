#pragma once

#include <string>

namespace hosts
{
// A fresh folder in the system's temporary directory, removed with everything in it when the
// object goes. `path()` is empty when no folder could be made.
class ScratchDirectory
{
public:
    explicit ScratchDirectory (const std::string& prefix);
    ~ScratchDirectory();

    ScratchDirectory (const ScratchDirectory&) = delete;
    ScratchDirectory& operator= (const ScratchDirectory&) = delete;

    const std::string& path() const { return folder; }

private:
    std::string folder;
};
} // namespace hosts
