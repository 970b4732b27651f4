#include "ui/PortField.h"
#include <wctype.h>

namespace {

// The input method's full-width space counts as white space too.
bool IsBlank(wchar_t ch) { return iswspace(ch) || ch == L'\x3000'; }

// 0 to 9 for an ASCII or a full-width digit (typed with the input method
// on), else -1.
int DigitValue(wchar_t ch)
{
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    if (ch >= L'\xFF10' && ch <= L'\xFF19')
        return ch - L'\xFF10';
    return -1;
}

}  // namespace

BOOL ParsePortText(const CString& strText, int& nPort)
{
    int nBegin = 0;
    int nEnd = strText.GetLength();
    while (nBegin < nEnd && IsBlank(strText[nBegin]))
        ++nBegin;
    while (nEnd > nBegin && IsBlank(strText[nEnd - 1]))
        --nEnd;
    if (nBegin == nEnd)
        return FALSE;
    int nValue = 0;
    for (int i = nBegin; i < nEnd; i++)
    {
        int nDigit = DigitValue(strText[i]);
        if (nDigit < 0)
            return FALSE;
        nValue = nValue * 10 + nDigit;
        if (nValue > 65535)
            return FALSE;  // also before a long run of digits could overflow
    }
    if (nValue < 1)
        return FALSE;
    nPort = nValue;
    return TRUE;
}

void DDV_PortField(CDataExchange* pDX, int nIDC, int& nPort)
{
    if (!pDX->m_bSaveAndValidate)
        return;
    CString strText;
    DDX_Text(pDX, nIDC, strText);  // also makes the edit the control a failure focuses
    if (ParsePortText(strText, nPort))
        return;
    AfxMessageBox(L"ポートには1から65535までの数字を指定してください。", MB_OK);
    pDX->Fail();
}
