// RSA on byte strings: y = x^exponent mod modulus, input and output big-endian.
// No padding: the bytes themselves are the RSA input.
#pragma once

#include "crypto/CBigNum.h"

// Sender side: an input not below the modulus is first brought below it by
// clearing bits from its top down. out is the result's big-endian bytes,
// 4 per 32-bit word in use. FALSE, out emptied, for a zero modulus.
BOOL RSACryptBytes(CByteArray& out, const CByteArray& in, const CBigNum& exponent, const CBigNum& modulus);

// Receiver side: the input as it is; out is left-padded with zero bytes to at
// least 160 bytes. FALSE, out emptied, for a zero modulus.
BOOL RSACryptBlock(CByteArray& out, const CByteArray& in, const CBigNum& exponent, const CBigNum& modulus);
