#pragma once
// One incoming connection: greeting, keys, password check, directory, the
// data that travels at once, and the records put on this computer's clipboard.

#include "afx/Afx.h"
#include "app/CAdoPtr.h"
#include "app/CBDFArray.h"
#include "crypto/CBigNum.h"
#include "net/CSocketedThread.h"
#include "net/CSocketBuffer.h"
#include "net/CHandshakeGate.h"
#include <atomic>
#include <memory>
#include <stdlib.h>

class CWnd;

enum
{
    RECEIVER_ERROR_RECEIVE = 1,
    RECEIVER_ERROR_SEND = 2,
    RECEIVER_ERROR_PASSWORD = 3,
    RECEIVER_ERROR_FORMAT = 4,
    RECEIVER_ERROR_MEMORY = 5,
    RECEIVER_ERROR_CLIPBOARD = 6,
};

class CReceiverThread : public CSocketedThread
{
public:
    explicit CReceiverThread(int nProtocolIndex);
    virtual ~CReceiverThread();

    // Sets the stop flag and tells the server window, if any, to close.
    virtual void Stop();

    void DoSession();
    // The whole record set and the internal marker onto the clipboard, with
    // pOwner (NULL: none) as the owner.
    BOOL PutOnClipboard(CWnd* pOwner);
    BOOL ReadFormatDirectory(int nLength, const BYTE* pDirectory);
    void GetPeerName();
    void ReportError(int nKind);
    // Fetches one delayed format from the sender (WM_RENDERFORMAT).
    BOOL RenderFormat(UINT nFormat);

    std::atomic<HWND> m_hServerWnd;
    CAdoPtr<CBDFArray> m_pData;
    SOCKET m_hSocket;
    int m_nProtocolIndex;
    CString m_strPeerName;
    CByteArray m_arrNonce;
    CString m_strPassword;
    int m_bRSA;
    CBigNum m_bnPrivateExponent;
    CBigNum m_bnModulus;
    CString m_strRSAMark;
    CString m_strDelayedFormats;
    CHandshakeGate* m_pGate;  // during the session, until the check is passed
    CSocketBuffer m_buffer;
    // Hands a fetched block to the clipboard during a render: SetClipboardData;
    // tests put one here that refuses.
    HANDLE(WINAPI* m_pfnHandOver)(UINT, HANDLE);

    // Frees a block from malloc (the directory while it arrives).
    struct FreeDeleter
    {
        void operator()(BYTE* p) const { free(p); }
    };

private:
    // Whether the record goes onto this computer's clipboard at all.
    static BOOL CanOffer(const CBDF* pRecord);
    // The line for a format the sender has no data for; FALSE, the render's result.
    BOOL LogNoData(const CBDF* pRecord);
    void Converse();
    BOOL ReceiveDirectory(DWORD nLength, std::unique_ptr<BYTE, FreeDeleter>& directory);
    // Holds the placeholders until stopped (delayed rendering).
    void ServeDelayedFormats();
};
