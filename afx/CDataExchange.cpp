#include "afx/CDataExchange.h"

#include <cwchar>
#include <cwctype>

#include "afx/CWnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == nullptr)
        m_bFailed = TRUE;
    m_hWndLastControl = hWndCtrl;
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    if (!m_bFailed && m_hWndLastControl != nullptr)
        ::SetFocus(m_hWndLastControl);
    m_bFailed = TRUE;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != nullptr)
        return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr || !rControl.SubclassWindow(hWndCtrl))
        pDX->m_bFailed = TRUE;
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hWndCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        value = -1;
    // The group runs from nIDC to the next control with WS_GROUP; only radio buttons count.
    int nButton = 0;
    do
    {
        UINT nType = static_cast<UINT>(::SendMessageW(hWndCtrl, WM_GETDLGCODE, 0, 0));
        if (nType & DLGC_RADIOBUTTON)
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = nButton;
            }
            else
            {
                ::SendMessageW(hWndCtrl, BM_SETCHECK, nButton == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            nButton++;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl != nullptr && (::GetWindowLongPtrW(hWndCtrl, GWL_STYLE) & WS_GROUP) == 0);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(hWndCtrl, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(hWndCtrl, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
    {
        int nLength = ::GetWindowTextLengthW(hWndCtrl);
        LPWSTR pBuffer = value.GetBuffer(nLength);
        int nCopied = ::GetWindowTextW(hWndCtrl, pBuffer, nLength + 1);
        value.ReleaseBuffer(nCopied);
    }
    else
    {
        ::SetWindowTextW(hWndCtrl, value);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl == nullptr)
        return;
    if (pDX->m_bSaveAndValidate)
    {
        CString strText;
        DDX_Text(pDX, nIDC, strText);
        LPCWSTR psz = strText;
        while (iswspace(*psz))
            psz++;
        wchar_t* pEnd = nullptr;
        long n = wcstol(psz, &pEnd, 10);
        while (pEnd != nullptr && iswspace(*pEnd))
            pEnd++;
        if (pEnd == psz || pEnd == nullptr || *pEnd != L'\0')
        {
            pDX->Fail();
            return;
        }
        value = static_cast<int>(n);
    }
    else
    {
        wchar_t szText[16];
        _snwprintf(szText, 15, L"%d", value);
        szText[15] = L'\0';
        ::SetWindowTextW(hWndCtrl, szText);
    }
}
