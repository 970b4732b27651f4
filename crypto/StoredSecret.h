// The machine-bound codec of the secrets stored in the registry (the password
// and the RSA key text). Blob: 32-byte SHA-256 of the plain block P, then P
// XOR a mask drawn from the runtime-style generator (CMRand) seeded with a
// value derived from the computer name. P is the text's UTF-16LE code units
// with a terminating zero unit, zero-padded to a multiple of 32 bytes.
#pragma once

#include "afx/Afx.h"

#include <stdint.h>

enum
{
    STORED_SECRET_DIGEST_SIZE = 32,
    STORED_SECRET_MIN_BLOB = 64
};

// The seed of this computer: from the name GetComputerNameW gives (empty if
// that call fails).
uint32_t GetMachineSeed();
// The seed that a computer of this name has: XOR of the eight little-endian
// 32-bit groups of the SHA-256 of the name with its terminator.
uint32_t MachineSeedFromName(LPCWSTR pszName);

// With this computer's seed.
void EncodePassword(const CString& text, CByteArray& blob);
BOOL DecodePassword(const CByteArray& blob, CString& text);

// With a given seed (tests, and reading a value as another computer would).
void EncodePasswordWithSeed(const CString& text, CByteArray& blob, uint32_t nSeed);
// FALSE, text unchanged, when the blob is shorter than 64 bytes or its digest
// doesn't match.
BOOL DecodePasswordWithSeed(const CByteArray& blob, CString& text, uint32_t nSeed);

// UTF-16LE code units up to the first zero unit or the end (an odd last byte ignored).
CString BytesToString(const CByteArray& bytes);

// The text's code units little-endian plus a terminating zero unit: 2L + 2 bytes.
void TextWithTerminator(const CString& text, CByteArray& bytes);
