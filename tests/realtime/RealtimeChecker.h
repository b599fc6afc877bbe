#pragma once

#include <cstddef>
#include <cstdint>

// Watches the C library's entry points that a real-time audio thread must not reach: the heap
// (malloc, calloc, realloc, free, posix_memalign, aligned_alloc, memalign and every form of
// operator new and delete), locks and waits (pthread mutex and rwlock locks, semaphores, condition
// variables), sleeps (nanosleep, clock_nanosleep, usleep, sleep) and file access (open, read,
// write, fopen). The test binary defines these functions itself and passes each call on to the C
// library, so every caller in the process is seen: our code, JUCE and the plug-in binaries that
// the test hosts load. Only calls made on a thread inside an AudioThreadScope are counted.
namespace realtime
{
struct Counts
{
    std::size_t allocations = 0;   // malloc, calloc, realloc, the aligned forms, operator new
    std::size_t deallocations = 0; // free, operator delete (of anything but a null pointer)
    std::size_t locks = 0;         // mutex and rwlock locks, tries included
    std::size_t waits = 0;         // semaphore and condition waits
    std::size_t sleeps = 0;
    std::size_t fileAccesses = 0;

    // The distinct mutexes locked, in the order first seen (up to maxMutexes).
    static constexpr std::size_t maxMutexes = 16;
    const void* mutexes[maxMutexes] {};
    std::size_t numMutexes = 0;

    Counts& operator+= (const Counts& other);
};

// While alive, the calling thread counts as the audio thread: everything it calls from the list
// above is added to `counts`.
class AudioThreadScope
{
public:
    explicit AudioThreadScope (Counts& counts);
    ~AudioThreadScope();

    AudioThreadScope (const AudioThreadScope&) = delete;
    AudioThreadScope& operator= (const AudioThreadScope&) = delete;

private:
    Counts* previous;
};
} // namespace realtime
