#include "ui/CBMPropertyPage.h"

#include "app/HelpPage.h"

CBMPropertyPage::HELP_OPENER CBMPropertyPage::s_pfnOpenHelpPage = OpenHelpPage;

CBMPropertyPage::CBMPropertyPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate), m_nHelpId(nIDTemplate)
{
    m_psp.dwFlags |= PSP_HASHELP;
}

CBMPropertyPage::~CBMPropertyPage() {}

IMPLEMENT_DYNAMIC(CBMPropertyPage, CPropertyPage)

BOOL CBMPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* pHdr = reinterpret_cast<const NMHDR*>(lParam);
    if (pHdr != nullptr && pHdr->code == PSN_HELP)
    {
        CString strTopic;
        strTopic.Format(L"proppage_%d", (int)m_nHelpId);
        s_pfnOpenHelpPage(strTopic);
    }
    return CPropertyPage::OnNotify(wParam, lParam, pResult);
}

void CBMPropertyPage::OnSettingChanged() { SetModified(TRUE); }
