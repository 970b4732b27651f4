#pragma once
// Loading the stored settings into the application object at start-up.

#include "afx/Afx.h"

class CBrinmoorApp;

// Reads every setting of sections Network and Settings into pApp's members.
// A stored password that can't be decoded sets bPasswordDamaged (the password
// stays empty); RSA on without a loadable key sets bKeyDamaged and turns the
// RSA mode off in memory. Both flags are cleared first.
void LoadSettings(CBrinmoorApp* pApp, BOOL& bPasswordDamaged, BOOL& bKeyDamaged);

// Reads "Port" and "Server" into pApp's members: part of LoadSettings, and
// again once a start-up sheet has stored them, for the listener started after.
void LoadReceiveServerSettings(CBrinmoorApp* pApp);

// What ReadProfileBytes found.
enum PROFILE_BYTES
{
    PROFILE_BYTES_ABSENT,      // no value of that name
    PROFILE_BYTES_READ,        // the stored bytes are in bytes
    PROFILE_BYTES_UNREADABLE,  // a value of another type than binary, or over the read limit
};

// A binary value of the product key. A value that is there but can't be read
// as binary is reported as such, so that it counts as damaged, not as absent.
PROFILE_BYTES ReadProfileBytes(CBrinmoorApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, CByteArray& bytes);

// The start-up message that lists the damaged settings.
CString DamagedSettingsMessage(BOOL bPasswordDamaged, BOOL bKeyDamaged);
