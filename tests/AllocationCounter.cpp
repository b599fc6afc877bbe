#include "AllocationCounter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <new>

namespace
{
    thread_local bool counting = false;
    thread_local std::size_t allocations = 0;
    thread_local const std::string* leftoverText = nullptr;
    constexpr std::size_t leftoverMargin = 64;

    void* allocate (std::size_t size)
    {
        if (counting)
            ++allocations;
        const std::size_t bytes = (size == 0 ? 1 : size) + (leftoverText != nullptr ? leftoverMargin : 0);
        auto* p = static_cast<char*> (std::malloc (bytes));
        if (p == nullptr)
            throw std::bad_alloc();
        if (leftoverText != nullptr && ! leftoverText->empty())
            for (std::size_t i = 0; i < bytes; ++i)
                p[i] = (*leftoverText)[i % leftoverText->size()];
        return p;
    }

    // Aligned blocks come from malloc too, over-allocated and aligned here (std::aligned_alloc is
    // not in every C library: MSVC has none); the address malloc gave sits just before the block.
    void* allocateAligned (std::size_t size, std::align_val_t alignment)
    {
        if (counting)
            ++allocations;
        const auto align = std::max (static_cast<std::size_t> (alignment), sizeof (void*));
        auto* raw = static_cast<char*> (std::malloc ((size == 0 ? 1 : size) + align + sizeof (void*)));
        if (raw == nullptr)
            throw std::bad_alloc();
        const auto start = reinterpret_cast<std::uintptr_t> (raw + sizeof (void*));
        auto* block = reinterpret_cast<char*> ((start + align - 1) / align * align);
        reinterpret_cast<void**> (block)[-1] = raw;
        return block;
    }

    void freeAligned (void* block) noexcept
    {
        if (block != nullptr)
            std::free (static_cast<void**> (block)[-1]);
    }
} // namespace

ScopedAllocationCount::ScopedAllocationCount()
{
    allocations = 0;
    counting = true;
}

ScopedAllocationCount::~ScopedAllocationCount() { counting = false; }

std::size_t ScopedAllocationCount::count() const { return allocations; }

ScopedHeapLeftovers::ScopedHeapLeftovers (std::string leftover) { leftoverText = new std::string (std::move (leftover)); }

ScopedHeapLeftovers::~ScopedHeapLeftovers()
{
    const auto* text = leftoverText;
    leftoverText = nullptr;
    delete text;
}

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}
void* operator new (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
void* operator new[] (std::size_t size, std::align_val_t alignment) { return allocateAligned (size, alignment); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { freeAligned (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { freeAligned (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { freeAligned (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { freeAligned (p); }
