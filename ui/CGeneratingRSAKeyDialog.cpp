#include "ui/CGeneratingRSAKeyDialog.h"

#include <math.h>
#include <stdlib.h>

#include "app/AppMessages.h"
#include "app/CBrinmoorApp.h"
#include "app/EventLog.h"
#include "app/PublicKeyStore.h"
#include "crypto/SecureRandom.h"
#include "res/SettingsResource.h"

namespace {

const uint32_t kPublicExponent = 65537;

UINT __cdecl KeyGenThreadProc(LPVOID pParam) { return static_cast<CGeneratingRSAKeyDialog*>(pParam)->GenerateKey(); }

UINT __cdecl PrimeSearchThreadProc(LPVOID pParam)
{
    static_cast<CGeneratingRSAKeyDialog*>(pParam)->SearchPrime();
    return 0;
}

void LogFault(LPCWSTR pszText) noexcept
{
    try
    {
        AddLog(pszText);
    }
    catch (...)
    {
        ::OutputDebugStringW(L"key generation: the log line failed too\n");
    }
}

// e = 65537 is prime, so it has an inverse modulo (p-1)(q-1) unless it
// divides p-1 or q-1.
BOOL IsUsablePrime(const CBigNum& prime)
{
    CBigNum pm1, e;
    pm1.Copy(prime);
    pm1.Decrement();
    e.SetWord(kPublicExponent);
    pm1.Mod(e);
    return !pm1.IsZero();
}

}  // namespace

IMPLEMENT_DYNAMIC(CGeneratingRSAKeyDialog, CDialogEx)

BEGIN_MESSAGE_MAP(CGeneratingRSAKeyDialog, CDialogEx)
    ON_WM_TIMER()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CGeneratingRSAKeyDialog::CGeneratingRSAKeyDialog(CWnd* pParent)
    : CDialogEx(IDD_GENERATING_RSA_KEY, pParent), m_semDone(0, 100), m_bCancel(FALSE), m_bAborted(FALSE),
      m_bFinished(FALSE), m_bSearchFailed(FALSE), m_dwStartTick(0), m_dwFinishTick(0), m_nPublicKeys(0),
      m_nPrivateKeys(0), m_hKeyThreadDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bKeyThreadStarted(FALSE)
{
    m_pParam[0] = new CPrimeThreadParam;
    m_pParam[1] = new CPrimeThreadParam;
}

CGeneratingRSAKeyDialog::~CGeneratingRSAKeyDialog()
{
    // Normally the threads have ended before the dialog could close; if the
    // window went some other way, stop them before their state goes.
    if (m_bKeyThreadStarted && m_hKeyThreadDone != nullptr)
    {
        m_bCancel = TRUE;
        ::WaitForSingleObject(m_hKeyThreadDone, INFINITE);
    }
    delete m_pParam[0];
    delete m_pParam[1];
}

void CGeneratingRSAKeyDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_KEYGEN_PRIVATE_KEYS, m_staticPrivateKeys);
    DDX_Control(pDX, IDC_KEYGEN_PUBLIC_KEYS, m_staticPublicKeys);
    DDX_Control(pDX, IDC_KEYGEN_NOTE, m_staticNote);
    DDX_Control(pDX, IDC_KEYGEN_STATUS, m_staticStatus);
    DDX_Control(pDX, IDC_KEYGEN_ELAPSED, m_staticElapsed);
    DDX_Control(pDX, IDC_KEYGEN_SEARCH1, m_staticSearch1);
    DDX_Control(pDX, IDC_KEYGEN_SEARCH2, m_staticSearch2);
}

BOOL CGeneratingRSAKeyDialog::OnInitDialog()
{
    CDialogEx::OnInitDialog();
    CPrimeGen::BuildSmallPrimeTable();
    m_dwStartTick = ::GetTickCount();

    if (m_hKeyThreadDone == nullptr || AfxBeginThread(KeyGenThreadProc, this, THREAD_PRIORITY_BELOW_NORMAL) == nullptr)
    {
        // Nothing could ever end the dialog: give up at once, key untouched.
        AddLog(L"RSA鍵を生成するスレッドを開始できません。");
        EndDialog(IDCANCEL);
        return TRUE;
    }
    m_bKeyThreadStarted = TRUE;
    SetTimer(IDT_KEYGEN_PROGRESS, 100);
    return TRUE;
}

CGeneratingRSAKeyDialog::PFN_SEARCHHOOK CGeneratingRSAKeyDialog::s_pfnSearchHook = nullptr;

CGeneratingRSAKeyDialog::PFN_SEARCHHOOK CGeneratingRSAKeyDialog::SetSearchHook(PFN_SEARCHHOOK pfn)
{
    PFN_SEARCHHOOK pfnOld = s_pfnSearchHook;
    s_pfnSearchHook = pfn;
    return pfnOld;
}

UINT CGeneratingRSAKeyDialog::GenerateKey()
{
    HANDLE hDone = m_hKeyThreadDone;  // this object may go once the flags are set
    BOOL bStored = FALSE;
    try
    {
        bStored = MakeKey();
    }
    catch (...)
    {
        // Only after both searches have ended (MakeKey waits for them before
        // anything else can throw): the key is left as it was.
        LogFault(L"【エラー】RSA鍵の生成中にエラーが発生したため、生成を中止しました。");
    }
    if (bStored)
    {
        m_dwFinishTick = ::GetTickCount();
        m_bFinished = TRUE;
    }
    else
    {
        m_bAborted = TRUE;
    }
    ::SetEvent(hDone);
    return 0;
}

BOOL CGeneratingRSAKeyDialog::MakeKey()
{
    CPrimeThreadParam* p = m_pParam[0];
    CPrimeThreadParam* q = m_pParam[1];
    // Without the system's random source every computer would search from the
    // same seed and find the same key: such a run ends like a cancel.
    if (!SecureRandomFill(p->m_abSeed, (int)sizeof(p->m_abSeed)) ||
        !SecureRandomFill(q->m_abSeed, (int)sizeof(q->m_abSeed)))
    {
        LogFault(L"【エラー】乱数を取得できないため、RSA鍵の生成を中止しました。");
        return FALSE;
    }

    if (AfxBeginThread(PrimeSearchThreadProc, this, THREAD_PRIORITY_BELOW_NORMAL) == nullptr)
    {
        // Stand in for the missing search and end as if cancelled.
        LogFault(L"RSA鍵を生成するスレッドを開始できません。");
        m_bCancel = TRUE;
        m_semDone.Unlock(1);
    }

    RunSearch(0);
    m_semDone.Lock(INFINITE);
    m_semDone.Lock(INFINITE);
    if (m_bSearchFailed)
        return FALSE;

    // A key whose e has no inverse, or with p = q, would not decrypt what its
    // public half encrypts: draw the offending prime again on this thread.
    while (!m_bCancel)
    {
        BOOL bRedrawP = !IsUsablePrime(p->m_bnPrime);
        BOOL bRedrawQ = !IsUsablePrime(q->m_bnPrime) || CBigNum::Compare(p->m_bnPrime, q->m_bnPrime) == 0;
        if (!bRedrawP && !bRedrawQ)
            break;
        CPrimeThreadParam* pRedo = bRedrawP ? p : q;
        pRedo->m_bFound = FALSE;
        if (pRedo->m_gen.FindPrime(pRedo->m_bnPrime, pRedo->m_nRoundsPassed, pRedo->m_nCandidates, m_bCancel))
            pRedo->m_bFound = TRUE;
    }
    if (m_bCancel)
        return FALSE;

    CBigNum e, n, phi, pm1, qm1, d;
    e.SetWord(kPublicExponent);
    n.Copy(p->m_bnPrime);
    n.Mul(q->m_bnPrime);
    ++m_nPublicKeys;

    pm1.Copy(p->m_bnPrime);
    pm1.Decrement();
    qm1.Copy(q->m_bnPrime);
    qm1.Decrement();
    phi.Copy(pm1);
    phi.Mul(qm1);
    CBigNum::InvMod(d, e, phi);
    ++m_nPrivateKeys;

    {
        CSingleLock lock(&theApp.m_mutexKey, TRUE);
        theApp.m_bKeyPresent = TRUE;
        theApp.m_bnPrivateExponent.Copy(d);
        theApp.m_bnModulus.Copy(n);
        SavePublicKey(&theApp);
    }
    return TRUE;
}

void CGeneratingRSAKeyDialog::RunSearch(int nSearch)
{
    CPrimeThreadParam* pParam = m_pParam[nSearch];
    try
    {
        if (s_pfnSearchHook != nullptr)
            s_pfnSearchHook(nSearch);
        pParam->m_gen.m_rand.Seed(pParam->m_abSeed, (int)sizeof(pParam->m_abSeed));
        if (pParam->m_gen.FindPrime(pParam->m_bnPrime, pParam->m_nRoundsPassed, pParam->m_nCandidates, m_bCancel))
            pParam->m_bFound = TRUE;
    }
    catch (...)
    {
        m_bSearchFailed = TRUE;
        m_bCancel = TRUE;  // the other search need not go on
        LogFault(L"【エラー】素数の探索中にエラーが発生したため、RSA鍵の生成を中止しました。");
    }
    // On every way out: thread #1 waits for this before it ends the dialog.
    m_semDone.Unlock(1);
}

void CGeneratingRSAKeyDialog::SearchPrime()
{
    RunSearch(1);  // its release of the semaphore is this thread's last touch of the dialog
}

void CGeneratingRSAKeyDialog::OnTimer(UINT_PTR nIDEvent)
{
    if (m_bAborted)
    {
        KillTimer(IDT_KEYGEN_PROGRESS);
        EndDialog(IDCANCEL);
    }
    else if (m_bFinished)
    {
        UpdateProgress(m_dwFinishTick);
        m_staticStatus.SetWindowText(L"RSA鍵の生成が完了しました。");
        m_staticNote.ShowWindow(SW_HIDE);
        ::SetDlgItemTextW(m_hWnd, IDCANCEL, L"OK");
        KillTimer(IDT_KEYGEN_PROGRESS);
    }
    else
    {
        UpdateProgress(::GetTickCount());
    }
    Default();
}

void CGeneratingRSAKeyDialog::OnOK()
{
    // Enter must not end the dialog: only the one button does.
}

void CGeneratingRSAKeyDialog::OnCancel()
{
    if (m_bFinished)
    {
        EndDialog(IDOK);
        return;
    }
    m_staticStatus.SetWindowText(L"中止しています...");
    m_bCancel = TRUE;
}

void CGeneratingRSAKeyDialog::UpdateProgress(DWORD dwNow)
{
    m_staticSearch1.SetWindowText(FormatCandidateText(m_pParam[0]->m_nRoundsPassed, m_pParam[0]->m_nCandidates));
    m_staticSearch2.SetWindowText(FormatCandidateText(m_pParam[1]->m_nRoundsPassed, m_pParam[1]->m_nCandidates));
    CString str;
    str.Format(L"%lu / 1", (unsigned long)m_nPublicKeys);
    m_staticPublicKeys.SetWindowText(str);
    str.Format(L"%lu / 1", (unsigned long)m_nPrivateKeys);
    m_staticPrivateKeys.SetWindowText(str);
    DWORD dwElapsed = dwNow - m_dwStartTick;  // modulo 2^32
    str.Format(L"%lu.%03lu sec", (unsigned long)(dwElapsed / 1000), (unsigned long)(dwElapsed % 1000));
    m_staticElapsed.SetWindowText(str);
}

HBRUSH CGeneratingRSAKeyDialog::OnCtlColor(HDC hDC, CWnd* pWnd, UINT nCtlColor)
{
    HBRUSH hBrush = CDialogEx::OnCtlColor(hDC, pWnd, nCtlColor);
    if (pWnd == nullptr)
        return hBrush;
    BOOL bDone;
    switch (pWnd->GetDlgCtrlID())
    {
    case IDC_KEYGEN_SEARCH1:
        bDone = m_pParam[0]->m_bFound;
        break;
    case IDC_KEYGEN_SEARCH2:
        bDone = m_pParam[1]->m_bFound;
        break;
    case IDC_KEYGEN_PUBLIC_KEYS:
        bDone = m_nPublicKeys != 0;
        break;
    case IDC_KEYGEN_PRIVATE_KEYS:
        bDone = m_nPrivateKeys != 0;
        break;
    case IDC_KEYGEN_STATUS:
    case IDC_KEYGEN_ELAPSED:
        bDone = m_bFinished;
        break;
    default:
        return hBrush;
    }
    ::SetTextColor(hDC, bDone ? RGB(0, 128, 0) : RGB(128, 0, 0));
    return hBrush;
}

CString CGeneratingRSAKeyDialog::FormatCandidateText(LONG nRoundsPassed, LONG nCandidates)
{
    CString strText;
    strText.Format(L"%u番目の候補", (unsigned int)nCandidates);
    if (nRoundsPassed == 0)
        return strText;

    // x: the chance that a composite survives that many rounds.
    double x = pow(0.25, (double)nRoundsPassed);
    CString strP;
    if (x >= 0.01)
    {
        strP.Format(L"%d%%以上", (int)(100.0 - 100.0 * x));
    }
    else if (10.0 * x > 0.01)
    {
        strP = L"99%以上";
    }
    else
    {
        double y = 10.0 * x;
        int k = 0;
        do
        {
            y *= 10.0;
            k++;
        } while (!(y > 0.01) && k < 101);
        strP = L"99.";
        strP += CString(L'9', k);
        strP += L"%以上";
    }
    return strText + L" 素数である確率" + strP;
}
