#pragma once
// Reading the clipboard into the record set of one copy: which formats travel,
// which only as placeholders, and the echo test for what this computer's own
// receiver put there.

#include "afx/Afx.h"
#include "app/CAdoPtr.h"
#include "app/CBDFArray.h"
#include "app/CClipboardReader.h"

class CClipboardCapture
{
public:
    enum RESULT
    {
        CAPTURE_OPEN_FAILED,   // the clipboard is held elsewhere: nothing happened
        CAPTURE_OWN_CONTENTS,  // the internal format is there: nothing made
        CAPTURE_DONE,          // m_pRecords holds the set, possibly empty
        CAPTURE_NO_MEMORY,     // the set could not be built; m_pRecords is NULL
    };

    explicit CClipboardCapture(CClipboardReader& reader) : m_reader(reader) {}

    // Opens the clipboard with hWndOwner, reads it and closes it again.
    // nNoDelayText: with bDelay on, Unicode text whose block is at most this
    // many KB travels at once; 0 or less sends no text at once.
    RESULT Capture(HWND hWndOwner, UINT nInternalFormat, BOOL bDelay, int nNoDelayText,
                   const CStringArray& arrSendFormats);

    CAdoPtr<CBDFArray> m_pRecords;
    // Names of every registered format seen, in clipboard order.
    CStringArray m_arrSeenFormats;

    // The standard formats that travel and the names their records carry;
    // NULL for any other id.
    static LPCWSTR StandardFormatName(UINT nFormat);

private:
    // The record for one chosen format, or NULL when it gets none.
    CBDF* FetchRecord(UINT nFormat, const CString& strName, BOOL bUnicodePresent);
    CBDF* ConvertAnsiText(HANDLE hData);
    UINT ClipboardCodePage();

    CClipboardReader& m_reader;
};
