// The stored text of the RSA key: ToHexString of the modulus, one blank,
// ToHexString of the private exponent (8 lower-case digits per 32-bit word in
// use, so a 1280-bit modulus gives 320 digits).
#pragma once

#include "crypto/CBigNum.h"

// Longest hexadecimal half that is accepted when reading: 16384 bits, far
// beyond the 1280-bit key, and still quick to parse.
enum
{
    RSA_KEY_TEXT_MAX_DIGITS = 4096
};

CString FormatRSAKeyText(const CBigNum& modulus, const CBigNum& privateExponent);

// Splits at the first blank and reads each half as "0x" + half. FALSE, the
// numbers untouched, when the text is empty, has no blank, has it as its
// first or last character, when either half is longer than
// RSA_KEY_TEXT_MAX_DIGITS, or when the modulus or the exponent reads as zero.
BOOL ParseRSAKeyText(const CString& text, CBigNum& modulus, CBigNum& privateExponent);
