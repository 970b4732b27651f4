#pragma once
// One copy to one destination: connect, handshake, directory, data, and the
// requests for delayed formats until stopped.

#include "afx/Afx.h"
#include "app/CAdoPtr.h"
#include "app/CBDFArray.h"
#include "crypto/CBigNum.h"
#include "net/CSocketedThread.h"
#include "net/CSocketBuffer.h"
#include <vector>

enum
{
    SENDER_ERROR_CREATE = 1,
    SENDER_ERROR_CONNECT = 2,
    SENDER_ERROR_RECEIVE = 3,
    SENDER_ERROR_SEND = 4,
    SENDER_ERROR_PROTOCOL = 5,
};

class CSenderThread : public CSocketedThread
{
public:
    CSenderThread();
    virtual ~CSenderThread();

    void Run();
    void DoSession();
    // The format directory of m_pData; the caller frees *ppBlock with free().
    void BuildFormatDirectory(BYTE** ppBlock, DWORD* pnLength);
    void ReportError(int nCode, int nKind);

    CAdoPtr<CBDFArray> m_pData;
    CString m_strHost;
    CString m_strPassword;
    int m_nPort;
    CByteArray m_arrNonce;
    int m_bRSA;
    CByteArray m_arrSessionKey;
    CBigNum m_bnModulus;
    CBigNum m_bnExponent;
    CString m_strRSAMark;
    CSocketBuffer m_buffer;

private:
    // A record as this connection's directory announced it.
    struct ANNOUNCED
    {
        const BYTE* pData;
        DWORD nSize;  // 0: placeholder
        CString strName;
    };
    // Blocks up to this size go out in one send together with their tag.
    enum
    {
        SMALL_BLOCK = 65536 - 4
    };

    BOOL Handshake();
    void ServeRequests();
    void SendDataBlock(const BYTE* pData, DWORD nSize);
    void LogSent(ULONGLONG nTotal, const CString& strNames);
    CString HostPortSuffix() const;

    std::vector<ANNOUNCED> m_arrAnnounced;
};

// One sender per enabled destination of the application, all sharing pData.
void StartSenderThreads(CAdoPtr<CBDFArray>& pData);
UINT SenderThreadProc(LPVOID pParam);
// Reads a placeholder's data from this computer's clipboard into the record.
void LoadFormatData(CBDF& bdf);
