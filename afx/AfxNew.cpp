// Global allocation for every program linked with the framework: a failure
// raises CMemoryException instead of std::bad_alloc, so that callers can catch
// the framework's exception for any new, container growth included.
#include <cstdlib>
#include <new>

#include "afx/CException.h"

namespace {

void* Allocate(std::size_t n)
{
    if (n == 0)
        n = 1;
    for (;;)
    {
        if (void* p = std::malloc(n))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw CMemoryException();
        handler();
    }
}

void* AllocateNoThrow(std::size_t n) noexcept
{
    try
    {
        return Allocate(n);
    }
    catch (...)
    {
        return nullptr;
    }
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return AllocateNoThrow(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return AllocateNoThrow(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
