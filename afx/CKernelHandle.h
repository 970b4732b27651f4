#pragma once
#include <windows.h>

// Owns one kernel object handle (event, thread, mutex, file): the destructor
// closes it, so no path of its holder needs a CloseHandle of its own.
// Creation functions fail with NULL (CreateEvent, CreateThread) or with
// INVALID_HANDLE_VALUE (CreateFile); both mean nothing is held and neither is
// ever closed.
class CKernelHandle
{
public:
    CKernelHandle() = default;
    // Takes what a creation function returned, a failure value included.
    explicit CKernelHandle(HANDLE hHandle) : m_hHandle(hHandle) {}
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    ~CKernelHandle() { Close(); }

    BOOL IsValid() const { return m_hHandle != nullptr && m_hHandle != INVALID_HANDLE_VALUE; }
    // Closes what is held and takes hHandle in its place.
    void Reset(HANDLE hHandle = nullptr);
    void Close() { Reset(); }

    operator HANDLE() const { return m_hHandle; }

private:
    HANDLE m_hHandle = nullptr;
};
