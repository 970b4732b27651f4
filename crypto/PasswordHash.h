// The two password hashes of the connection protocol.
#pragma once

#include "afx/Afx.h"

// hash = SHA-256 of the password's UTF-16LE code units with their terminating
// zero unit (32 bytes).
void HashPassword(const CString& password, CByteArray& hash);

// hash = SHA-256 of the data bytes followed directly by the password with its
// terminator, as one message (32 bytes). The connection key K1 is this hash of
// the receiver's challenge.
void HashWithPassword(const CByteArray& data, const CString& password, CByteArray& hash);
