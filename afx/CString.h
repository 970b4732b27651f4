#pragma once
#include <windows.h>
#include <cstdarg>
#include <string>
#include "afx/CException.h"

// UTF-16 string. Allocation failure raises CMemoryException; an index outside
// the string raises CInvalidArgException.
class CString
{
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCWSTR psz);
    CString(LPCWSTR pch, int nLength);
    CString(LPCSTR psz);  // converted from the ANSI code page
    CString(wchar_t ch, int nRepeat = 1);

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCWSTR psz);
    CString& operator=(wchar_t ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    wchar_t GetAt(int nIndex) const;
    void SetAt(int nIndex, wchar_t ch);
    wchar_t operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }

    // The buffer holds at least nMinBufLength characters plus a terminator.
    LPWSTR GetBuffer(int nMinBufLength = 0);
    LPWSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);  // -1: up to the first L'\0'

    // The Windows runtime's wide printf conventions: %s is a wide string, %hs a
    // narrow one. CString arguments are passed as their LPCWSTR.
    template <typename... Args>
    void Format(LPCWSTR pszFormat, const Args&... args)
    {
        FormatRaw(pszFormat, FormatArg(args)...);
    }
    void FormatV(LPCWSTR pszFormat, va_list args);
    void AppendFormatV(LPCWSTR pszFormat, va_list args);

    CString& operator+=(const CString& str);
    CString& operator+=(LPCWSTR psz);
    CString& operator+=(wchar_t ch);

    int Compare(LPCWSTR psz) const;

    int Find(wchar_t ch, int nStart = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;

    // White space is what iswspace accepts, the ideographic space U+3000 included.
    CString& TrimLeft();
    CString& TrimRight();

    // String-table entry of the program's module; FALSE and empty when absent.
    BOOL LoadString(UINT nID);

    static bool IsSpace(wchar_t ch);

private:
    static LPCWSTR FormatArg(const CString& s) { return s.GetString(); }
    template <typename T>
    static T FormatArg(T v)
    {
        return v;
    }
    void FormatRaw(LPCWSTR pszFormat, ...);

    std::wstring m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCWSTR b);
CString operator+(LPCWSTR a, const CString& b);
CString operator+(const CString& a, wchar_t b);
CString operator+(wchar_t a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, LPCWSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCWSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, LPCWSTR b) { return a.Compare(b) != 0; }
inline bool operator!=(LPCWSTR a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
inline bool operator<(const CString& a, LPCWSTR b) { return a.Compare(b) < 0; }
inline bool operator<(LPCWSTR a, const CString& b) { return b.Compare(a) > 0; }
