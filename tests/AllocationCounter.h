#pragma once

#include <cstddef>
#include <string>

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

// While alive, every heap block allocated on the calling thread comes back filled with `leftover`
// repeated, and with that text running on for a margin past its end: what a freed block still holds
// when the allocator hands it out again. Code that reads past the data it wrote into a block then
// reads this text, whatever the allocator would otherwise have left there.
class ScopedHeapLeftovers
{
public:
    explicit ScopedHeapLeftovers (std::string leftover);
    ~ScopedHeapLeftovers();

    ScopedHeapLeftovers (const ScopedHeapLeftovers&) = delete;
    ScopedHeapLeftovers& operator= (const ScopedHeapLeftovers&) = delete;
};
