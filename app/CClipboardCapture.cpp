#include "app/CClipboardCapture.h"

#include <new>
#include <vector>

#include "afx/CGlobalLockGuard.h"
#include "net/CPageTouchThread.h"
#include "app/EventLog.h"
#include "app/QuotedList.h"

namespace {

const UINT kFirstRegisteredFormat = 0xC000;
const UINT kLastRegisteredFormat = 0xFFFF;
const int kFormatNameChars = 0x8000;

// Closes the clipboard on every way out of the capture, an exception included.
class CClipboardCloser
{
public:
    explicit CClipboardCloser(CClipboardReader& reader) : m_reader(reader), m_bOpen(TRUE) {}
    ~CClipboardCloser() { Close(); }
    void Close()
    {
        if (m_bOpen)
        {
            m_bOpen = FALSE;
            m_reader.Close();
        }
    }

private:
    CClipboardReader& m_reader;
    BOOL m_bOpen;
};

// A record that owns pData (new BYTE[]); pData is freed when the record
// itself can't be allocated.
CBDF* NewRecord(UINT nFormat, const CString& strName, BYTE* pData, DWORD nSize)
{
    CBDF* pRecord = nullptr;
    try
    {
        pRecord = new CBDF;
        pRecord->m_nFormat = nFormat;
        pRecord->m_strName = strName;
    }
    catch (...)
    {
        delete pRecord;
        delete[] pData;
        throw;
    }
    pRecord->m_pData = pData;
    pRecord->m_nSize = nSize;
    return pRecord;
}

void LogTooLarge(const CString& strName, SIZE_T nSize)
{
    CString strLine;
    strLine.Format(L"【送信エラー】%s のデータが大きすぎるため送信できません(%I64u バイト)。", strName.GetString(),
                   static_cast<unsigned long long>(nSize));
    AddLog(strLine);
}

// The block's bytes as a new record; NULL for an empty block or one that
// can't be locked.
CBDF* CopyBlock(UINT nFormat, const CString& strName, HANDLE hData)
{
    HGLOBAL hGlobal = static_cast<HGLOBAL>(hData);
    SIZE_T nSize = GlobalSize(hGlobal);
    if (nSize == 0)
        return nullptr;
    if (!CBDF::SizeFits(nSize))
    {
        // Record sizes are 32-bit: cutting the block would send damaged data.
        LogTooLarge(strName, nSize);
        return nullptr;
    }
    CGlobalLockGuard lock(hGlobal, GlobalLock(hGlobal));
    if (lock.Get() == nullptr)
        return nullptr;
    BYTE* pCopy = new BYTE[nSize];
    // The record is fresh memory: its pages are faulted in beside the copy.
    CPageTouchThread::Copy(pCopy, lock.Get(), nSize);
    return NewRecord(nFormat, strName, pCopy, static_cast<DWORD>(nSize));
}

}  // namespace

LPCWSTR CClipboardCapture::StandardFormatName(UINT nFormat)
{
    switch (nFormat)
    {
    case CF_TEXT:
        return L"CF_TEXT";
    case CF_TIFF:
        return L"CF_TIFF";
    case CF_DIB:
        return L"CF_DIB";
    case CF_RIFF:
        return L"CF_RIFF";
    case CF_WAVE:
        return L"CF_WAVE";
    case CF_UNICODETEXT:
        return L"CF_UNICODETEXT";
    default:
        return nullptr;
    }
}

CClipboardCapture::RESULT CClipboardCapture::Capture(HWND hWndOwner, UINT nInternalFormat, BOOL bDelay,
                                                     int nNoDelayText, const CStringArray& arrSendFormats)
{
    m_pRecords.Reset();
    m_arrSeenFormats.RemoveAll();
    if (!m_reader.Open(hWndOwner))
        return CAPTURE_OPEN_FAILED;
    CClipboardCloser closer(m_reader);

    try
    {
        struct FORMATDESC
        {
            UINT nFormat;
            CString strName;
        };
        CArray<FORMATDESC, FORMATDESC&> arrFormats;
        BOOL bUnicodePresent = FALSE;
        std::vector<wchar_t> nameBuffer(kFormatNameChars);

        for (UINT nFormat = m_reader.EnumFormats(0); nFormat != 0; nFormat = m_reader.EnumFormats(nFormat))
        {
            if (nFormat == nInternalFormat)
            {
                // Put there by this computer's own receiver: sending it back
                // would echo the copy to where it came from.
                m_arrSeenFormats.RemoveAll();
                return CAPTURE_OWN_CONTENTS;
            }
            if (nFormat >= kFirstRegisteredFormat && nFormat <= kLastRegisteredFormat)
            {
                std::fill(nameBuffer.begin(), nameBuffer.end(), L'\0');
                int nLength = m_reader.GetFormatName(nFormat, nameBuffer.data(), kFormatNameChars);
                if (nLength < 0 || nLength >= kFormatNameChars)
                    nLength = 0;
                CString strName(nameBuffer.data(), nLength);
                m_arrSeenFormats.Add(strName);
                if (StringArrayContains(arrSendFormats, strName))
                {
                    FORMATDESC desc = {nFormat, strName};
                    arrFormats.Add(desc);
                }
            }
            else if (LPCWSTR pszName = StandardFormatName(nFormat))
            {
                FORMATDESC desc = {nFormat, pszName};
                arrFormats.Add(desc);
                if (nFormat == CF_UNICODETEXT)
                    bUnicodePresent = TRUE;
            }
        }

        m_pRecords = new CBDFArray;
        // In 64 bits, so that no stored "NoDelayText" can overflow the limit.
        const ULONGLONG nNoDelayBytes = nNoDelayText >= 1 ? static_cast<ULONGLONG>(nNoDelayText) * 1024u : 0;

        for (INT_PTR i = 0; i < arrFormats.GetSize(); ++i)
        {
            const FORMATDESC& desc = arrFormats[i];
            CBDF* pRecord = nullptr;
            BOOL bPlaceholder = FALSE;
            if (desc.nFormat == CF_TEXT && bUnicodePresent)
            {
                // The Unicode text stands for it.
            }
            else if (!bDelay)
            {
                pRecord = FetchRecord(desc.nFormat, desc.strName, bUnicodePresent);
            }
            else if (desc.nFormat == CF_UNICODETEXT && nNoDelayBytes != 0)
            {
                HANDLE hData = m_reader.GetData(desc.nFormat);
                if (hData != nullptr)
                {
                    if (GlobalSize(static_cast<HGLOBAL>(hData)) > nNoDelayBytes)
                        bPlaceholder = TRUE;
                    else
                        pRecord = CopyBlock(desc.nFormat, desc.strName, hData);
                }
            }
            else
            {
                bPlaceholder = TRUE;
            }
            if (bPlaceholder)
                pRecord = NewRecord(desc.nFormat, desc.strName, nullptr, 0);
            if (pRecord != nullptr)
                m_pRecords->Add(pRecord);
        }
    }
    catch (const std::bad_alloc&)
    {
        m_pRecords.Reset();
        return CAPTURE_NO_MEMORY;
    }
    return CAPTURE_DONE;
}

CBDF* CClipboardCapture::FetchRecord(UINT nFormat, const CString& strName, BOOL bUnicodePresent)
{
    HANDLE hData = m_reader.GetData(nFormat);
    if (hData == nullptr)
        return nullptr;
    if (nFormat == CF_TEXT)
        return bUnicodePresent ? nullptr : ConvertAnsiText(hData);
    return CopyBlock(nFormat, strName, hData);
}

UINT CClipboardCapture::ClipboardCodePage()
{
    HANDLE hLocale = m_reader.GetData(CF_LOCALE);
    if (hLocale == nullptr)
        return CP_ACP;
    HGLOBAL hGlobal = static_cast<HGLOBAL>(hLocale);
    // A block too short for an LCID says nothing about the text.
    if (GlobalSize(hGlobal) < sizeof(LCID))
        return CP_ACP;
    CGlobalLockGuard lock(hGlobal, GlobalLock(hGlobal));
    if (lock.Get() == nullptr)
        return CP_ACP;
    LCID lcid;
    memcpy(&lcid, lock.Get(), sizeof lcid);
    DWORD dwCodePage = 0;
    if (GetLocaleInfoW(lcid, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&dwCodePage),
                       sizeof(dwCodePage) / sizeof(wchar_t)) == 0)
        return CP_ACP;
    return dwCodePage;
}

CBDF* CClipboardCapture::ConvertAnsiText(HANDLE hData)
{
    UINT nCodePage = ClipboardCodePage();
    HGLOBAL hGlobal = static_cast<HGLOBAL>(hData);
    CGlobalLockGuard lock(hGlobal, GlobalLock(hGlobal));
    if (lock.Get() == nullptr)
        return nullptr;

    // The text ends at its first NUL; whatever the block holds after it
    // (blocks are often rounded up) is not text.
    const char* pText = static_cast<const char*>(lock.Get());
    SIZE_T nBlock = GlobalSize(hGlobal);
    const void* pNul = memchr(pText, 0, nBlock);
    SIZE_T nLength = pNul ? static_cast<SIZE_T>(static_cast<const char*>(pNul) - pText) : nBlock;
    if (nLength > 0x3FFFFFFF)
    {
        LogTooLarge(L"CF_TEXT", nBlock);
        return nullptr;
    }

    int nChars = 0;
    if (nLength > 0)
    {
        nChars = MultiByteToWideChar(nCodePage, 0, pText, static_cast<int>(nLength), nullptr, 0);
        if (nChars <= 0)
            return nullptr;
    }
    // Room for the terminator, which the converted text always gets.
    DWORD nBytes = static_cast<DWORD>(nChars + 1) * sizeof(wchar_t);
    BYTE* pBuffer = new BYTE[nBytes];
    wchar_t* pWide = reinterpret_cast<wchar_t*>(pBuffer);
    if (nChars > 0)
        MultiByteToWideChar(nCodePage, 0, pText, static_cast<int>(nLength), pWide, nChars);
    pWide[nChars] = L'\0';
    return NewRecord(CF_UNICODETEXT, L"CF_UNICODETEXT", pBuffer, nBytes);
}
