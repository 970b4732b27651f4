#pragma once
// The port fields of the network page and the destination dialog: any
// characters may be typed there, so the text is checked when it is taken.

#include "afx/Afx.h"

// TRUE with nPort when the text is a decimal number from 1 to 65535: ASCII
// or full-width digits only, with white space before and after allowed, no
// sign and nothing else.
BOOL ParsePortText(const CString& strText, int& nPort);

// In a data exchange from the controls: the port in the dialog's edit nIDC.
// Other text is refused with a message box that names the range; the text
// stays, the edit gets the focus back and the exchange fails.
void DDV_PortField(CDataExchange* pDX, int nIDC, int& nPort);
