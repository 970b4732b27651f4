#include "afx/CString.h"

#include <cwchar>
#include <cwctype>

namespace {

size_t CheckedLength(int nLength)
{
    if (nLength < 0)
        AfxThrowInvalidArgException();
    return static_cast<size_t>(nLength);
}

}  // namespace

CString::CString(LPCWSTR psz)
{
    if (psz)
        m_str.assign(psz);
}

CString::CString(LPCWSTR pch, int nLength)
{
    size_t n = CheckedLength(nLength);
    if (n && !pch)
        AfxThrowInvalidArgException();
    if (n)
        m_str.assign(pch, n);
}

CString::CString(LPCSTR psz)
{
    if (!psz || !*psz)
        return;
    int n = MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (n <= 1)
        return;
    m_str.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, psz, -1, &m_str[0], n);
    m_str.resize(static_cast<size_t>(n - 1));
}

CString::CString(wchar_t ch, int nRepeat) : m_str(CheckedLength(nRepeat), ch) {}

CString& CString::operator=(LPCWSTR psz)
{
    if (psz)
        m_str.assign(psz);
    else
        m_str.clear();
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    m_str.assign(1, ch);
    return *this;
}

wchar_t CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, wchar_t ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    m_str[static_cast<size_t>(nIndex)] = ch;
}

LPWSTR CString::GetBuffer(int nMinBufLength)
{
    size_t n = CheckedLength(nMinBufLength);
    if (n > m_str.size())
        m_str.resize(n);
    return &m_str[0];
}

LPWSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(CheckedLength(nNewLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    size_t n = nNewLength < 0 ? wcsnlen(m_str.c_str(), m_str.size()) : static_cast<size_t>(nNewLength);
    if (n > m_str.size())
        AfxThrowInvalidArgException();
    m_str.resize(n);
}

void CString::FormatV(LPCWSTR pszFormat, va_list args)
{
    m_str.clear();
    AppendFormatV(pszFormat, args);
}

void CString::AppendFormatV(LPCWSTR pszFormat, va_list args)
{
    if (!pszFormat)
        AfxThrowInvalidArgException();
    va_list measure;
    va_copy(measure, args);
    int n = _vscwprintf(pszFormat, measure);
    va_end(measure);
    if (n < 0)
        AfxThrowInvalidArgException();  // a malformed format
    size_t old = m_str.size();
    m_str.resize(old + static_cast<size_t>(n) + 1);
    _vsnwprintf(&m_str[old], static_cast<size_t>(n) + 1, pszFormat, args);
    m_str.resize(old + static_cast<size_t>(n));
}

void CString::FormatRaw(LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(LPCWSTR psz)
{
    if (psz)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_str += ch;
    return *this;
}

int CString::Compare(LPCWSTR psz) const { return wcscmp(m_str.c_str(), psz ? psz : L""); }

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t pos = m_str.find(ch, static_cast<size_t>(nStart));
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount > GetLength())
        nCount = GetLength();
    return CString(m_str.c_str(), nCount);
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, GetLength()); }

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst > GetLength())
        nFirst = GetLength();
    if (nCount < 0)
        nCount = 0;
    if (nCount > GetLength() - nFirst)
        nCount = GetLength() - nFirst;
    return CString(m_str.c_str() + nFirst, nCount);
}

bool CString::IsSpace(wchar_t ch)
{
    // The runtime's iswspace covers the space class above U+00FF on Windows;
    // U+3000 is spelled out in case a runtime leaves it out.
    return iswspace(ch) || ch == 0x3000;
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && IsSpace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && IsSpace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

BOOL CString::LoadString(UINT nID)
{
    // With a zero buffer size LoadStringW returns a read-only pointer into the
    // resource, which is not terminated: the length comes with it.
    LPCWSTR p = nullptr;
    int n = ::LoadStringW(GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&p), 0);
    if (n <= 0 || !p)
    {
        m_str.clear();
        return FALSE;
    }
    m_str.assign(p, static_cast<size_t>(n));
    return TRUE;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, LPCWSTR b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(LPCWSTR a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, wchar_t b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(wchar_t a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
