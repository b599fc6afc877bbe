#include "RealtimeChecker.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>

// glibc's own allocator entry points: the interposed functions hand every call on to them, so the
// heap behaves exactly as without the checker.
extern "C"
{
void* __libc_malloc (std::size_t);
void* __libc_calloc (std::size_t, std::size_t);
void* __libc_realloc (void*, std::size_t);
void* __libc_memalign (std::size_t, std::size_t);
void __libc_free (void*);
}

namespace realtime
{
namespace
{
    // Initial-exec TLS in the executable: reading it never allocates, so the allocator may use it.
    thread_local Counts* current = nullptr;

    // The C library's own version of a function, looked up on first use. Looking up allocates
    // (through the interposed malloc, which needs nothing looked up) but takes none of the locks
    // watched here.
    template <typename Function>
    Function next (Function& slot, const char* name, const char* version = nullptr)
    {
        if (slot == nullptr)
            slot = reinterpret_cast<Function> (version != nullptr ? dlvsym (RTLD_NEXT, name, version)
                                                                  : dlsym (RTLD_NEXT, name));
        return slot;
    }

    void count (std::size_t Counts::*what)
    {
        if (current != nullptr)
            ++(current->*what);
    }

    void countLock (const void* mutex)
    {
        if (current == nullptr)
            return;
        ++current->locks;
        for (std::size_t i = 0; i < current->numMutexes; ++i)
            if (current->mutexes[i] == mutex)
                return;
        if (current->numMutexes < Counts::maxMutexes)
            current->mutexes[current->numMutexes++] = mutex;
    }

    void* allocate (void* block)
    {
        count (&Counts::allocations);
        return block;
    }

    void deallocate (void* block)
    {
        if (block != nullptr)
            count (&Counts::deallocations);
        __libc_free (block);
    }

    void* allocateOrThrow (std::size_t size)
    {
        if (void* block = allocate (__libc_malloc (size == 0 ? 1 : size)))
            return block;
        throw std::bad_alloc();
    }

    void* allocateAlignedOrThrow (std::size_t size, std::align_val_t alignment)
    {
        if (void* block = allocate (__libc_memalign (static_cast<std::size_t> (alignment), size == 0 ? 1 : size)))
            return block;
        throw std::bad_alloc();
    }
} // namespace

Counts& Counts::operator+= (const Counts& other)
{
    allocations += other.allocations;
    deallocations += other.deallocations;
    locks += other.locks;
    waits += other.waits;
    sleeps += other.sleeps;
    fileAccesses += other.fileAccesses;
    for (std::size_t i = 0; i < other.numMutexes; ++i)
    {
        bool known = false;
        for (std::size_t j = 0; j < numMutexes; ++j)
            known = known || mutexes[j] == other.mutexes[i];
        if (! known && numMutexes < maxMutexes)
            mutexes[numMutexes++] = other.mutexes[i];
    }
    return *this;
}

AudioThreadScope::AudioThreadScope (Counts& counts) : previous (current) { current = &counts; }
AudioThreadScope::~AudioThreadScope() { current = previous; }
} // namespace realtime

using realtime::Counts;

extern "C"
{
void* malloc (std::size_t size) { return realtime::allocate (__libc_malloc (size)); }
void* calloc (std::size_t n, std::size_t size) { return realtime::allocate (__libc_calloc (n, size)); }
void* realloc (void* block, std::size_t size) { return realtime::allocate (__libc_realloc (block, size)); }
void free (void* block) { realtime::deallocate (block); }
void* memalign (std::size_t alignment, std::size_t size) { return realtime::allocate (__libc_memalign (alignment, size)); }
void* aligned_alloc (std::size_t alignment, std::size_t size) { return realtime::allocate (__libc_memalign (alignment, size)); }
int posix_memalign (void** result, std::size_t alignment, std::size_t size)
{
    if (alignment % sizeof (void*) != 0 || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    *result = realtime::allocate (__libc_memalign (alignment, size));
    return *result == nullptr ? 12 : 0; // ENOMEM
}

// Each watched function counts the call, then hands it on to the C library's own version.
// `version` picks a symbol version; nullptr takes the default one.
#define TARNGLOAM_WATCH(Result, name, version, parameters, arguments, counting)       \
    Result name parameters                                                            \
    {                                                                                 \
        counting;                                                                     \
        static decltype (&name) real = nullptr;                                       \
        return realtime::next (real, #name, version) arguments;                       \
    }

TARNGLOAM_WATCH (int, pthread_mutex_lock, nullptr, (pthread_mutex_t* m), (m), realtime::countLock (m))
TARNGLOAM_WATCH (int, pthread_mutex_trylock, nullptr, (pthread_mutex_t* m), (m), realtime::countLock (m))
TARNGLOAM_WATCH (int, pthread_rwlock_rdlock, nullptr, (pthread_rwlock_t* l), (l), realtime::countLock (l))
TARNGLOAM_WATCH (int, pthread_rwlock_wrlock, nullptr, (pthread_rwlock_t* l), (l), realtime::countLock (l))
TARNGLOAM_WATCH (int, pthread_rwlock_tryrdlock, nullptr, (pthread_rwlock_t* l), (l), realtime::countLock (l))
TARNGLOAM_WATCH (int, pthread_rwlock_trywrlock, nullptr, (pthread_rwlock_t* l), (l), realtime::countLock (l))
TARNGLOAM_WATCH (int, sem_wait, nullptr, (sem_t* s), (s), realtime::count (&Counts::waits))
TARNGLOAM_WATCH (int, sem_timedwait, nullptr, (sem_t* s, const timespec* t), (s, t), realtime::count (&Counts::waits))
// The condition functions' current version; an unversioned look-up would find the old one.
TARNGLOAM_WATCH (int, pthread_cond_wait, "GLIBC_2.3.2", (pthread_cond_t* c, pthread_mutex_t* m), (c, m),
                 realtime::count (&Counts::waits))
TARNGLOAM_WATCH (int, pthread_cond_timedwait, "GLIBC_2.3.2", (pthread_cond_t* c, pthread_mutex_t* m, const timespec* t),
                 (c, m, t), realtime::count (&Counts::waits))
TARNGLOAM_WATCH (int, nanosleep, nullptr, (const timespec* d, timespec* r), (d, r), realtime::count (&Counts::sleeps))
TARNGLOAM_WATCH (int, clock_nanosleep, nullptr, (clockid_t c, int f, const timespec* d, timespec* r), (c, f, d, r),
                 realtime::count (&Counts::sleeps))
TARNGLOAM_WATCH (int, usleep, nullptr, (useconds_t u), (u), realtime::count (&Counts::sleeps))
TARNGLOAM_WATCH (unsigned, sleep, nullptr, (unsigned s), (s), realtime::count (&Counts::sleeps))
TARNGLOAM_WATCH (ssize_t, read, nullptr, (int f, void* b, size_t n), (f, b, n), realtime::count (&Counts::fileAccesses))
TARNGLOAM_WATCH (ssize_t, write, nullptr, (int f, const void* b, size_t n), (f, b, n), realtime::count (&Counts::fileAccesses))
TARNGLOAM_WATCH (FILE*, fopen, nullptr, (const char* p, const char* m), (p, m), realtime::count (&Counts::fileAccesses))

int open (const char* path, int flags, ...)
{
    realtime::count (&Counts::fileAccesses);
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE)
    {
        va_list arguments;
        va_start (arguments, flags);
        mode = static_cast<mode_t> (va_arg (arguments, int));
        va_end (arguments);
    }
    static decltype (&open) real = nullptr;
    return realtime::next (real, "open") (path, flags, mode);
}
} // extern "C"

void* operator new (std::size_t size) { return realtime::allocateOrThrow (size); }
void* operator new[] (std::size_t size) { return realtime::allocateOrThrow (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { return realtime::allocate (__libc_malloc (size == 0 ? 1 : size)); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return realtime::allocate (__libc_malloc (size == 0 ? 1 : size)); }
void* operator new (std::size_t size, std::align_val_t alignment) { return realtime::allocateAlignedOrThrow (size, alignment); }
void* operator new[] (std::size_t size, std::align_val_t alignment) { return realtime::allocateAlignedOrThrow (size, alignment); }
void* operator new (std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return realtime::allocate (__libc_memalign (static_cast<std::size_t> (alignment), size == 0 ? 1 : size));
}
void* operator new[] (std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    return realtime::allocate (__libc_memalign (static_cast<std::size_t> (alignment), size == 0 ? 1 : size));
}
void operator delete (void* block) noexcept { realtime::deallocate (block); }
void operator delete[] (void* block) noexcept { realtime::deallocate (block); }
void operator delete (void* block, std::size_t) noexcept { realtime::deallocate (block); }
void operator delete[] (void* block, std::size_t) noexcept { realtime::deallocate (block); }
void operator delete (void* block, std::align_val_t) noexcept { realtime::deallocate (block); }
void operator delete[] (void* block, std::align_val_t) noexcept { realtime::deallocate (block); }
void operator delete (void* block, std::size_t, std::align_val_t) noexcept { realtime::deallocate (block); }
void operator delete[] (void* block, std::size_t, std::align_val_t) noexcept { realtime::deallocate (block); }
void operator delete (void* block, const std::nothrow_t&) noexcept { realtime::deallocate (block); }
void operator delete[] (void* block, const std::nothrow_t&) noexcept { realtime::deallocate (block); }
