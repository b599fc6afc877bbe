#pragma once

#include <cstddef>

// Counts global heap allocations made on the calling thread while a ScopedAllocationCount is alive.
class ScopedAllocationCount
{
public:
    ScopedAllocationCount();
    ~ScopedAllocationCount();
    std::size_t count() const;

    ScopedAllocationCount (const ScopedAllocationCount&) = delete;
    ScopedAllocationCount& operator= (const ScopedAllocationCount&) = delete;
};
