#include "app/QuotedList.h"

#include <cwctype>

void SplitQuotedList(const CString& strText, LPCWSTR pszSeparator, CStringArray& arrPieces)
{
    arrPieces.RemoveAll();
    const int nLength = strText.GetLength();
    if (nLength == 0)
        return;
    LPCWSTR pszText = strText.GetString();
    const int nSepLength = pszSeparator != nullptr ? static_cast<int>(wcslen(pszSeparator)) : 0;
    if (nSepLength == 0)
    {
        arrPieces.Add(strText);
        return;
    }

    int nStart = 0;
    int nPos = 0;
    BOOL bInQuotes = FALSE;
    while (nPos < nLength)
    {
        const wchar_t ch = pszText[nPos];
        if (bInQuotes)
        {
            if (ch == L'"')
                bInQuotes = FALSE;
            ++nPos;
        }
        else if (ch == L'"')
        {
            bInQuotes = TRUE;
            ++nPos;
        }
        else if (nLength - nPos >= nSepLength &&
                 wmemcmp(pszText + nPos, pszSeparator, static_cast<size_t>(nSepLength)) == 0)
        {
            arrPieces.Add(CString(pszText + nStart, nPos - nStart));
            nPos += nSepLength;
            nStart = nPos;
        }
        else
        {
            ++nPos;
        }
    }
    if (nStart < nLength)
        arrPieces.Add(CString(pszText + nStart, nLength - nStart));
}

CString JoinStrings(const CStringArray& arr, LPCWSTR pszSeparator)
{
    CString strResult;
    const INT_PTR nCount = arr.GetSize();
    if (nCount == 0)
        return strResult;
    const size_t nSepLength = pszSeparator != nullptr ? wcslen(pszSeparator) : 0;

    // Measured first so that the result is built in one buffer.
    size_t nTotal = nSepLength * static_cast<size_t>(nCount - 1);
    for (INT_PTR i = 0; i < nCount; ++i)
        nTotal += static_cast<size_t>(arr[i].GetLength());
    if (nTotal > static_cast<size_t>(INT_MAX - 1))
        AfxThrowMemoryException();

    LPWSTR pszOut = strResult.GetBufferSetLength(static_cast<int>(nTotal));
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        if (i > 0 && nSepLength > 0)
        {
            wmemcpy(pszOut, pszSeparator, nSepLength);
            pszOut += nSepLength;
        }
        const CString& strItem = arr[i];
        const int nItemLength = strItem.GetLength();
        if (nItemLength > 0)
        {
            wmemcpy(pszOut, strItem.GetString(), static_cast<size_t>(nItemLength));
            pszOut += nItemLength;
        }
    }
    strResult.ReleaseBuffer(static_cast<int>(nTotal));
    return strResult;
}

CString QuoteString(const CString& str)
{
    const int nLength = str.GetLength();
    if (nLength > (INT_MAX - 3) / 2)
        AfxThrowMemoryException();
    LPCWSTR pszIn = str.GetString();

    CString strResult;
    // Worst case: every character a quote, written twice, plus the two quotes.
    LPWSTR pszOut = strResult.GetBuffer(nLength * 2 + 2);
    int nOut = 0;
    pszOut[nOut++] = L'"';
    for (int i = 0; i < nLength; ++i)
    {
        pszOut[nOut++] = pszIn[i];
        if (pszIn[i] == L'"')
            pszOut[nOut++] = L'"';
    }
    pszOut[nOut++] = L'"';
    strResult.ReleaseBuffer(nOut);
    return strResult;
}

CString UnquoteString(const CString& str)
{
    LPCWSTR pszIn = str.GetString();
    int nBegin = 0;
    int nEnd = str.GetLength();
    while (nBegin < nEnd && iswspace(pszIn[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && iswspace(pszIn[nEnd - 1]))
        --nEnd;

    if (nBegin == nEnd || pszIn[nBegin] != L'"')
        return CString(pszIn + nBegin, nEnd - nBegin);

    CString strResult;
    LPWSTR pszOut = strResult.GetBuffer(nEnd - nBegin);
    int nOut = 0;
    int nPos = nBegin + 1;
    while (nPos < nEnd)
    {
        const wchar_t ch = pszIn[nPos];
        if (ch == L'"')
        {
            if (nPos + 1 == nEnd)
                break;
            if (pszIn[nPos + 1] == L'"')
            {
                pszOut[nOut++] = L'"';
                nPos += 2;
                continue;
            }
            // A lone quote inside (the closing one before trailing text) is dropped.
            ++nPos;
            continue;
        }
        pszOut[nOut++] = ch;
        ++nPos;
    }
    strResult.ReleaseBuffer(nOut);
    return strResult;
}

static inline wchar_t FoldAsciiCapital(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

BOOL NamesEqual(LPCWSTR pszA, int nLenA, LPCWSTR pszB, int nLenB)
{
    if (nLenA != nLenB)
        return FALSE;
    for (int i = 0; i < nLenA; ++i)
    {
        if (FoldAsciiCapital(pszA[i]) != FoldAsciiCapital(pszB[i]))
            return FALSE;
    }
    return TRUE;
}

BOOL StringArrayContains(const CStringArray& arr, LPCWSTR pszName)
{
    if (pszName == nullptr)
        pszName = L"";
    const int nNameLength = static_cast<int>(wcslen(pszName));
    const INT_PTR nCount = arr.GetSize();
    for (INT_PTR i = 0; i < nCount; ++i)
    {
        const CString& strItem = arr[i];
        if (NamesEqual(strItem.GetString(), strItem.GetLength(), pszName, nNameLength))
            return TRUE;
    }
    return FALSE;
}

BOOL StringArrayRemove(CStringArray& arr, LPCWSTR pszName)
{
    if (pszName == nullptr)
        pszName = L"";
    const int nNameLength = static_cast<int>(wcslen(pszName));
    BOOL bRemoved = FALSE;
    for (INT_PTR i = arr.GetSize() - 1; i >= 0; --i)
    {
        const CString& strItem = arr[i];
        if (NamesEqual(strItem.GetString(), strItem.GetLength(), pszName, nNameLength))
        {
            arr.RemoveAt(i);
            bRemoved = TRUE;
        }
    }
    return bRemoved;
}
