#pragma once
// Base of every settings page: a Help button that opens the help page at the
// page's own topic, and the change handler the pages bind to their controls.

#include "afx/Afx.h"

class CBMPropertyPage : public CPropertyPage
{
    DECLARE_DYNAMIC(CBMPropertyPage)
public:
    explicit CBMPropertyPage(UINT nIDTemplate);
    virtual ~CBMPropertyPage();

    UINT m_nHelpId;  // help topic number: the page's dialog template id

    // Opens the help page at a topic; tests replace it to see the topic.
    typedef void (*HELP_OPENER)(LPCWSTR pszTopic);
    static HELP_OPENER s_pfnOpenHelpPage;

    // Enables the sheet's Apply button.
    void OnSettingChanged();

protected:
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
};
