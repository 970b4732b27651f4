#pragma once
// Loading the stored settings into the application object at start-up.

#include "afx/Afx.h"

class CBrinmoorApp;

// "Formats3" when nothing is stored.
extern const wchar_t DefaultSendFormats[];

// Reads every setting of sections Network and Settings into pApp's members.
// A stored password that can't be decoded sets bPasswordDamaged (the password
// stays empty); RSA on without a loadable key sets bKeyDamaged and turns the
// RSA mode off in memory. Both flags are cleared first.
void LoadSettings(CBrinmoorApp* pApp, BOOL& bPasswordDamaged, BOOL& bKeyDamaged);

// A binary value of the product key: FALSE when it is absent, otherwise TRUE
// with the stored bytes.
BOOL ReadProfileBytes(CBrinmoorApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, CByteArray& bytes);

// The start-up message that lists the damaged settings.
CString DamagedSettingsMessage(BOOL bPasswordDamaged, BOOL bKeyDamaged);
