#pragma once
#include <windows.h>
#include <new>

// Convention: throw by value (throw CMemoryException()), catch by reference (catch (CException& e)).
class CException
{
public:
    CException() = default;
    virtual ~CException() = default;
};

// Raised by every failed allocation, including plain operator new: it is also a
// std::bad_alloc, so standard containers and catch (std::bad_alloc&) see it too.
class CMemoryException : public CException, public std::bad_alloc
{
public:
    const char* what() const noexcept override { return "CMemoryException"; }
};

// An index or argument outside what the framework object holds.
class CInvalidArgException : public CException
{};

// A kernel object (mutex, semaphore, thread) could not be created.
class CResourceException : public CException
{};

[[noreturn]] inline void AfxThrowMemoryException() { throw CMemoryException(); }
[[noreturn]] inline void AfxThrowInvalidArgException() { throw CInvalidArgException(); }
[[noreturn]] inline void AfxThrowResourceException() { throw CResourceException(); }
