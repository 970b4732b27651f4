#include "afx/COpenedClipboard.h"

BOOL COpenedClipboard::Open(HWND hWndOwner)
{
    if (!m_bOpen)
        m_bOpen = ::OpenClipboard(hWndOwner);
    return m_bOpen;
}

void COpenedClipboard::Close()
{
    if (m_bOpen)
    {
        m_bOpen = FALSE;
        ::CloseClipboard();
    }
}
