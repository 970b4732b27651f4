#include "net/Protocol.h"

CString FormatKB(ULONGLONG nBytes)
{
    ULONGLONG nKB = nBytes / 1024 + (nBytes % 1024 != 0 ? 1 : 0);
    WCHAR buf[32];
    _ui64tow_s(nKB, buf, 32, 10);
    return CString(buf);
}

BOOL CanHoldBytes(ULONGLONG nBytes)
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!::GlobalMemoryStatusEx(&status))
        return FALSE;
    return nBytes <= status.ullAvailVirtual && nBytes <= status.ullAvailPageFile;
}
