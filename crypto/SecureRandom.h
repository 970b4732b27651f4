// The operating system's random source (rand_s). A failed call is reported,
// never replaced by a weak value.
#pragma once

#include "afx/Afx.h"

#include <stdint.h>
#include <stdlib.h>

// One 32-bit value. FALSE when the source fails.
BOOL SecureRandomWord(uint32_t& nValue);

// nBytes / 4 values, each stored as its 4 bytes little-endian (nBytes a
// multiple of 4). With bNonZeroWords, a value of 0 is drawn again. FALSE when
// the source fails (the buffer is then zeroed).
BOOL SecureRandomFill(BYTE* pBytes, int nBytes, BOOL bNonZeroWords = FALSE);

// Test seam: replaces rand_s as the source (NULL restores it); returns the
// previous source.
typedef errno_t (*PFN_RAND_S)(unsigned int* pValue);
PFN_RAND_S SetSecureRandomSource(PFN_RAND_S pfn);
