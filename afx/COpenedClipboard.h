#pragma once
#include <windows.h>

// Stands for the clipboard while this thread has it open: the destructor
// closes it, so every return and every throw after a successful Open gives
// the clipboard back to the other programs. Only an Open that succeeded is
// closed; a clipboard some caller opened by other means is left alone.
class COpenedClipboard
{
public:
    COpenedClipboard() = default;
    COpenedClipboard(const COpenedClipboard&) = delete;
    COpenedClipboard& operator=(const COpenedClipboard&) = delete;
    ~COpenedClipboard() { Close(); }

    // One OpenClipboard call while not yet open; TRUE when open.
    BOOL Open(HWND hWndOwner);
    void Close();
    BOOL IsOpen() const { return m_bOpen; }

private:
    BOOL m_bOpen = FALSE;
};
