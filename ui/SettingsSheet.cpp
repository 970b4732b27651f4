#include "ui/SettingsSheet.h"

#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "app/SettingNames.h"
#include "app/SettingsLoad.h"
#include "ui/CFormatDialog.h"
#include "ui/CMiscDialog.h"
#include "ui/CNetworkDialog.h"
#include "ui/COptionSendDialog.h"

void RunSettingsSheetFromMainDialog()
{
    CPropertySheet sheet(L"設定", nullptr, 0);
    CNetworkDialog pageNetwork;
    sheet.AddPage(&pageNetwork);
    COptionSendDialog pageOptionSend;
    sheet.AddPage(&pageOptionSend);
    CFormatDialog pageFormat(&pageOptionSend);
    // Read each time: the value is set by hand in the registry, never by the program.
    if (theApp.GetProfileInt(kSectionSettings, kEntryShowFormatDialog, kDefaultShowFormatDialog) != 0)
        sheet.AddPage(&pageFormat);
    CMiscDialog pageMisc;
    sheet.AddPage(&pageMisc);
    if (sheet.DoModal() == -1)
        AddLog(L"【エラー】設定画面を表示できません。");
}

BOOL RunStartupSettingsSheet()
{
    CPropertySheet sheet(L"設定", nullptr, 0);
    CNetworkDialog pageNetwork;
    sheet.AddPage(&pageNetwork);
    COptionSendDialog pageOptionSend;
    sheet.AddPage(&pageOptionSend);
    CMiscDialog pageMisc;
    sheet.AddPage(&pageMisc);
    INT_PTR nResult = sheet.DoModal();
    if (nResult == -1)
    {
        // The program ends here without a window: say why.
        AfxMessageBox(L"設定画面を表示できません。", MB_OK);
        return FALSE;
    }
    if (nResult != IDOK)
        return FALSE;
    // The listener started after this uses the port the sheet has just stored.
    LoadReceiveServerSettings(&theApp);
    theApp.m_bSettingInitialized = TRUE;
    theApp.WriteProfileInt(kSectionNetwork, kEntrySettingInitialized, 1);
    return TRUE;
}
