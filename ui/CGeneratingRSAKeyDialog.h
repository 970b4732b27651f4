#pragma once
// Makes a new 1280-bit RSA key on two prime-search threads and shows their
// progress every 100 ms. The finished key replaces the application's key and
// is stored at once; a cancelled run leaves the previous key untouched.

#include <atomic>

#include "afx/Afx.h"
#include "afx/CKernelHandle.h"
#include "crypto/CPrimeThreadParam.h"

class CGeneratingRSAKeyDialog : public CDialogEx
{
    DECLARE_DYNAMIC(CGeneratingRSAKeyDialog)
public:
    explicit CGeneratingRSAKeyDialog(CWnd* pParent = nullptr);
    virtual ~CGeneratingRSAKeyDialog();

    // The progress text of one search: "<c>番目の候補", and with r > 0 rounds
    // passed the lower bound of the probability that the candidate is prime.
    static CString FormatCandidateText(LONG nRoundsPassed, LONG nCandidates);

    // Thread #1: both seeds, thread #2, prime p, then n and d, then the store.
    UINT GenerateKey();
    // Thread #2: prime q.
    void SearchPrime();

    // Test seam: called by each search (0: p, 1: q) on its own thread before
    // it begins; a test holds a search there until its cancel is in, or makes
    // it throw. Returns the previous hook.
    typedef void (*PFN_SEARCHHOOK)(int nSearch);
    static PFN_SEARCHHOOK SetSearchHook(PFN_SEARCHHOOK pfn);

    CPrimeThreadParam* m_pParam[2];  // 0: p on thread #1, 1: q on thread #2
    CSemaphore m_semDone;            // each search releases it once when it ends
    std::atomic<BOOL> m_bCancel;
    std::atomic<BOOL> m_bAborted;
    std::atomic<BOOL> m_bFinished;
    std::atomic<BOOL> m_bSearchFailed;  // a search ended by an error: the run aborts
    DWORD m_dwStartTick;
    std::atomic<DWORD> m_dwFinishTick;
    std::atomic<LONG> m_nPublicKeys;
    std::atomic<LONG> m_nPrivateKeys;
    CStatic m_staticPrivateKeys;
    CStatic m_staticPublicKeys;
    CStatic m_staticNote;
    CStatic m_staticStatus;
    CStatic m_staticElapsed;
    CStatic m_staticSearch1;
    CStatic m_staticSearch2;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg HBRUSH OnCtlColor(HDC hDC, CWnd* pWnd, UINT nCtlColor);

    void UpdateProgress(DWORD dwNow);

    DECLARE_MESSAGE_MAP()

private:
    // The seeds, both searches and the key; FALSE when the run ends without
    // a new key (cancel, no random seed, a failed search).
    BOOL MakeKey();
    // One search; releases m_semDone on every way out.
    void RunSearch(int nSearch);

    static PFN_SEARCHHOOK s_pfnSearchHook;

    // Set by thread #1 as its very last step, so the destructor can wait for
    // it when the dialog goes before the threads have ended.
    CKernelHandle m_hKeyThreadDone;
    BOOL m_bKeyThreadStarted;
};
