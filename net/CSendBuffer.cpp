#include "net/CSendBuffer.h"

void CSendBuffer::AppendString(LPCWSTR lpszText)
{
    if (lpszText == nullptr)
        return;
    for (const WCHAR* p = lpszText; *p != 0; ++p)
    {
        m_data.Add(static_cast<BYTE>(*p & 0xFF));
        m_data.Add(static_cast<BYTE>(*p >> 8));
    }
}

void CSendBuffer::AppendUInt32(DWORD nValue)
{
    for (int i = 0; i < 4; ++i)
        m_data.Add(static_cast<BYTE>(nValue >> (8 * i)));
}

void CSendBuffer::AppendUInt64(ULONGLONG nValue)
{
    for (int i = 0; i < 8; ++i)
        m_data.Add(static_cast<BYTE>(nValue >> (8 * i)));
}

void CSendBuffer::AppendBytes(const CByteArray& arrBytes)
{
    AppendBytes(arrBytes.GetData(), static_cast<DWORD>(arrBytes.GetSize()));
}

void CSendBuffer::AppendBytes(const BYTE* pBytes, DWORD nCount)
{
    if (nCount == 0)
        return;
    INT_PTR nOld = m_data.GetSize();
    m_data.SetSize(nOld + nCount);
    memcpy(m_data.GetData() + nOld, pBytes, nCount);
}
