// CDialog and data exchange on real dialog templates of the program.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "app/CBrinmoorApp.h"
#include "res/SettingsResource.h"

namespace {

// Runs a test's steps inside the dialog once it is initialised.
class CTestDialog : public CDialog
{
public:
    using CDialog::CDialog;
    std::function<void(CTestDialog&)> m_onInit;
    std::function<void(CDataExchange*)> m_exchange;
    int m_nOK = 0;

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_onInit)
            m_onInit(*this);
        return TRUE;
    }
    void OnOK() override
    {
        m_nOK++;
        CDialog::OnOK();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        if (m_exchange)
            m_exchange(pDX);
    }
};

TEST(FrameworkDialog, ModalDialogExchangesDataAndEndsWithItsResult)
{
    CTestDialog dlg(IDD_EXIT_DIALOG);
    int nChecked = 0;
    dlg.m_exchange = [&](CDataExchange* pDX) { DDX_Check(pDX, IDC_EXIT_DELETE_SETTINGS, nChecked); };
    dlg.m_onInit = [](CTestDialog& d) {
        CheckDlgButton(d.m_hWnd, IDC_EXIT_DELETE_SETTINGS, BST_CHECKED);
        d.PostMessage(WM_COMMAND, IDOK, 0);  // as the OK button does
    };
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, dlg.m_nOK);
    EXPECT_EQ(BST_CHECKED, nChecked) << "OK reads the check box back";
    EXPECT_EQ(nullptr, dlg.m_hWnd);

    // The same object runs again; Cancel reads nothing back.
    nChecked = 0;
    dlg.m_onInit = [](CTestDialog& d) {
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(d.m_hWnd, IDC_EXIT_DELETE_SETTINGS)) << "shown from the member";
        CheckDlgButton(d.m_hWnd, IDC_EXIT_DELETE_SETTINGS, BST_CHECKED);
        d.PostMessage(WM_COMMAND, IDCANCEL, 0);
    };
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(0, nChecked);
}

TEST(FrameworkDialog, WithoutParentTheMainWindowOwnsTheModalDialog)
{
    CWnd main;
    ASSERT_TRUE(main.CreateEx(0, AfxRegisterWndClass(0), L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr));
    CWnd* pOldMain = theApp.m_pMainWnd;
    theApp.m_pMainWnd = &main;
    CTestDialog dlg(IDD_EXIT_DIALOG);
    HWND hOwner = nullptr;
    std::atomic<HWND> hPopup(nullptr);
    dlg.m_onInit = [&](CTestDialog& d) { hOwner = GetWindow(d.m_hWnd, GW_OWNER); };
    // Once the dialog is up, the owner's last active popup is the dialog.
    std::thread answer([&] {
        for (int i = 0; i < 500 && hPopup == nullptr; i++)
        {
            HWND h = GetLastActivePopup(main.m_hWnd);
            if (h != main.m_hWnd && IsWindowVisible(h))
                hPopup = h;
            else
                Sleep(10);
        }
        PostMessageW(hPopup != nullptr ? hPopup.load() : GetLastActivePopup(main.m_hWnd), WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    answer.join();
    theApp.m_pMainWnd = pOldMain;
    EXPECT_EQ(main.m_hWnd, hOwner);
    EXPECT_NE(nullptr, hPopup.load()) << "the tray menu tells an open dialog by the owner's last active popup";
    main.DestroyWindow();
}

TEST(FrameworkDialog, MissingTemplateFailsCleanly)
{
    CTestDialog modal(4242);
    EXPECT_EQ(-1, modal.DoModal());
    CTestDialog modeless;
    EXPECT_FALSE(modeless.Create(4242, nullptr));
    EXPECT_EQ(nullptr, modeless.m_hWnd);
}

TEST(FrameworkDialog, TextNumberAndRadioExchange)
{
    CTestDialog dlg(IDD_DESTINATION_DIALOG);
    ASSERT_TRUE(dlg.Create(IDD_DESTINATION_DIALOG, nullptr));
    CString strName = L"コンピュータ";
    int nPort = 60125, nProtocol = 1;
    dlg.m_exchange = [&](CDataExchange* pDX) {
        DDX_Text(pDX, IDC_DEST_NAME, strName);
        DDX_Text(pDX, IDC_DEST_PORT, nPort);
        DDX_Radio(pDX, IDC_DEST_IPV4, nProtocol);
    };
    ASSERT_TRUE(dlg.UpdateData(FALSE));
    wchar_t sz[64] = {};
    GetDlgItemTextW(dlg.m_hWnd, IDC_DEST_PORT, sz, 64);
    EXPECT_STREQ(L"60125", sz);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dlg.m_hWnd, IDC_DEST_IPV4));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dlg.m_hWnd, IDC_DEST_IPV6));

    struct CASE
    {
        LPCWSTR pszPort;
        BOOL bValid;
        int nPort;
    } cases[] = {
        {L"42", TRUE, 42}, {L"  7 ", TRUE, 7}, {L"-3", TRUE, -3}, {L"4x", FALSE, 0}, {L"", FALSE, 0}, {L"x", FALSE, 0},
    };
    for (const CASE& c : cases)
    {
        SetDlgItemTextW(dlg.m_hWnd, IDC_DEST_NAME, L"名前");
        SetDlgItemTextW(dlg.m_hWnd, IDC_DEST_PORT, c.pszPort);
        CheckRadioButton(dlg.m_hWnd, IDC_DEST_IPV4, IDC_DEST_IPV6, IDC_DEST_IPV4);
        nPort = -999;
        EXPECT_EQ(c.bValid, dlg.UpdateData(TRUE)) << "port text index " << (&c - cases);
        EXPECT_EQ(c.bValid ? c.nPort : -999, nPort) << "port text index " << (&c - cases);
        EXPECT_STREQ(L"名前", strName);
        EXPECT_EQ(0, nProtocol);
    }
    CheckDlgButton(dlg.m_hWnd, IDC_DEST_IPV4, BST_UNCHECKED);
    SetDlgItemTextW(dlg.m_hWnd, IDC_DEST_PORT, L"1");
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(-1, nProtocol) << "no button of the group set";
    dlg.DestroyWindow();
}

}  // namespace
