#include "net/Protocol.h"

CString FormatKB(ULONGLONG nBytes)
{
    ULONGLONG nKB = nBytes / 1024 + (nBytes % 1024 != 0 ? 1 : 0);
    WCHAR buf[32];
    _ui64tow_s(nKB, buf, 32, 10);
    return CString(buf);
}
