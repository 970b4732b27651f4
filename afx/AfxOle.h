#pragma once
#include <windows.h>

// OLE on the calling thread (OleInitialize); FALSE when it can't be started.
BOOL AfxOleInit();

// The program hosts no ActiveX controls, so there is nothing to enable; kept
// so that start-up reads as the framework's usual sequence.
void AfxEnableControlContainer();
