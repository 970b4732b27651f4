#include "app/CBrinmoorApp.h"

#include "afx/AfxOle.h"
#include "app/CMainFrame.h"
#include "app/EventLog.h"
#include "app/RegistryMigration.h"
#include "app/SettingsLoad.h"
#include "net/CDestinationDataArray.h"
#include "net/CListenerThread.h"
#include "net/CSocketedThreadList.h"
#include "res/resource.h"
#include "ui/SettingsSheet.h"

// Built after the sender list and before the listener and receiver lists;
// at exit those two go first, then the application, then the sender list.
CBrinmoorApp theApp __attribute__((init_priority(2000)));

namespace {

const wchar_t kStartEventName[] = L"TAMBERLOW_BRINMOOR2_EVENT_START";
const wchar_t kInternalFormatName[] = L"LarkspireBrinmoor2Internal";

// How long the exit waits for the watcher to see its stop event; it only has
// to wake from one wait, so this is never reached in practice.
const DWORD kWatcherExitWaitMs = 5000;

}  // namespace

CBrinmoorApp::CBrinmoorApp()
    : m_bSettingInitialized(FALSE), m_nInternalFormat(0), m_nPort(0), m_nServer(0), m_nRSAMode(0), m_bKeyPresent(FALSE),
      m_bDelay(FALSE), m_nNoDelayText(0), m_pDestinations(nullptr), m_nOnStart(0), m_bShowBalloonOnClose(FALSE),
      m_bDeleteSettings(FALSE), m_bDialogSizeKnown(FALSE), m_nDefaultWidth(0), m_nDefaultHeight(0), m_nMinWidth(0),
      m_nMinHeight(0), m_hWndFrame(nullptr)
{}

CBrinmoorApp::~CBrinmoorApp()
{
    delete m_pDestinations;
    m_pDestinations = nullptr;
}

BOOL CBrinmoorApp::InitInstance()
{
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    CWinApp::InitInstance();

    // Single instance per Windows session: a second copy hands over to the
    // first through the named event and ends.
    m_hStartEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, kStartEventName));
    if (m_hStartEvent != nullptr && GetLastError() == ERROR_ALREADY_EXISTS)
    {
        SetEvent(m_hStartEvent);
        return FALSE;
    }

    CreateProductKey();

    m_hStopEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (m_hStartEvent != nullptr && m_hStopEvent != nullptr)
    {
        CWinThread* pThread = AfxBeginThread(StartEventWatcherProc, nullptr);
        // The thread can't end before the stop event is set, so its handle is
        // still open here.
        HANDLE hWatcherThread = nullptr;
        if (pThread == nullptr || !DuplicateHandle(GetCurrentProcess(), pThread->m_hThread, GetCurrentProcess(),
                                                   &hWatcherThread, SYNCHRONIZE, FALSE, 0))
        {
            if (pThread == nullptr)
                AddLog(L"【エラー】起動監視スレッドを開始できません。");
            hWatcherThread = nullptr;
        }
        m_hWatcherThread.Reset(hWatcherThread);
    }

    if (!AfxSocketInit())
    {
        AfxMessageBox(IDP_SOCKETS_INIT_FAILED, MB_OK);
        return FALSE;
    }
    if (!AfxOleInit())
    {
        AfxMessageBox(IDP_OLE_INIT_FAILED, MB_OK);
        return FALSE;
    }
    AfxEnableControlContainer();

    SetRegistryKey(L"Tamberlow");

    m_strInternalFormatName = kInternalFormatName;
    m_nInternalFormat = RegisterClipboardFormatW(m_strInternalFormatName);

    BOOL bPasswordDamaged = FALSE;
    BOOL bKeyDamaged = FALSE;
    LoadSettings(this, bPasswordDamaged, bKeyDamaged);

    BOOL bShowSheet = !m_bSettingInitialized;
    if (bPasswordDamaged || bKeyDamaged)
    {
        AfxMessageBox(DamagedSettingsMessage(bPasswordDamaged, bKeyDamaged), MB_OK);
        bShowSheet = TRUE;
    }
    // The sheet re-reads "Port" and "Server" on OK, for the listener, and
    // stores "SettingInitialized"; Cancel ends the program.
    if (bShowSheet && !RunStartupSettingsSheet())
        return FALSE;

    CMainFrame* pFrame = new CMainFrame;
    m_pMainWnd = pFrame;
    if (!pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr))
    {
        // Without its frame the program has no viewer, no tray icon and no way
        // to be ended by the user: give up rather than run invisibly.
        // A failed creation has already deleted the frame object, as a
        // destroyed frame does.
        m_pMainWnd = nullptr;
        ReportStartupFailure(L"メインウィンドウを作成できません。");
        return FALSE;
    }
    m_hWndFrame = pFrame->GetSafeHwnd();

    // Receiver threads create their clipboard-owner windows from this class
    // later; registering it here keeps that on the UI thread.
    try
    {
        AfxRegisterWndClass(0, nullptr, nullptr, nullptr);
    }
    catch (CResourceException&)
    {
        AddLog(L"【エラー】ウィンドウクラスを登録できません。");
    }

    StartListenerThread();

    if (m_nOnStart == 0)
        pFrame->ShowWithSavedPlacement(SW_SHOW);
    else if (m_nOnStart == 1)
        pFrame->ShowBalloon(L"このアイコンをダブルクリックするとVarnelのウィンドウが開きます。");
    pFrame->UpdateWindow();
    return TRUE;
}

int CBrinmoorApp::ExitInstance()
{
    // The frame is gone by now; a late start signal must not reach its handle.
    m_hWndFrame = nullptr;
    if (m_hStopEvent != nullptr)
    {
        SetEvent(m_hStopEvent);
        if (m_hWatcherThread != nullptr)
            WaitForSingleObject(m_hWatcherThread, kWatcherExitWaitMs);
    }
    int nResult = CWinApp::ExitInstance();
    if (m_bDeleteSettings)
        Unregister();
    // A worker that the end of the program gave up on may wake up at any
    // moment and use its list, the log queue or this object. Returning would
    // destroy them under it; ending the process here stops that thread first.
    if (WorkersLeftRunning())
        ::ExitProcess(static_cast<UINT>(nResult));
    return nResult;
}

void ReportStartupFailure(LPCWSTR pszText)
{
    // A main window that was created and then refused its creation has
    // posted WM_QUIT on its way out; the box's own message loop would take
    // it and close the box before the user could read it. The program ends
    // after the box anyway, so the request is dropped.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    {}
    AfxMessageBox(pszText, MB_OK);
}

UINT StartEventWatcherProc(LPVOID /*pParam*/)
{
    CBrinmoorApp* pApp = static_cast<CBrinmoorApp*>(AfxGetApp());
    HANDLE handles[2] = {pApp->m_hStartEvent, pApp->m_hStopEvent};
    for (;;)
    {
        DWORD dwResult = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (dwResult == WAIT_OBJECT_0)
        {
            // Before the frame exists (a first-run sheet is open) the signal
            // is dropped.
            HWND hWnd = pApp->m_hWndFrame;
            if (hWnd != nullptr)
                PostMessageW(hWnd, WM_COMMAND, ID_TRAY_OPEN, 0);
        }
        else if (dwResult == WAIT_OBJECT_0 + 1 || dwResult == WAIT_FAILED)
        {
            return 0;
        }
    }
}
