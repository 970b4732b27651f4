#include "ui/PortField.h"

BOOL ParsePortText(const CString& strText, int& nPort)
{
    int nLength = strText.GetLength();
    if (nLength == 0)
        return FALSE;
    int nValue = 0;
    for (int i = 0; i < nLength; i++)
    {
        wchar_t ch = strText[i];
        if (ch < L'0' || ch > L'9')
            return FALSE;
        nValue = nValue * 10 + (ch - L'0');
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
