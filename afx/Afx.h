#pragma once
// The framework layer: Windows headers in the order Winsock needs, then every class.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "afx/CException.h"
#include "afx/CString.h"
#include "afx/CArray.h"
#include "afx/CStringArray.h"
#include "afx/CByteArray.h"
#include "afx/CList.h"
#include "afx/CSyncObject.h"
#include "afx/CMutex.h"
#include "afx/CSemaphore.h"
#include "afx/CSingleLock.h"
#include "afx/CWinThread.h"
#include "afx/CWinApp.h"
#include "afx/AfxMessageBox.h"
#include "afx/CAsyncSocket.h"
#include "afx/CSocket.h"
