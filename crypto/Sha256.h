// SHA-256 (FIPS 180-4) as initialise / update / finalise over a plain context
// that lives on the caller's stack. No allocation, no state outside the context.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Sha256Context
{
    uint32_t H[8];     // hash value H0..H7
    uint32_t W[64];    // message schedule; W[0..15] double as the block buffer (big-endian words)
    uint32_t nIndex;   // bytes of the current block already in W (0..63 between calls)
    uint32_t nBitsLo;  // message length in bits, low word
    uint32_t nBitsHi;  // message length in bits, high word
};

enum
{
    SHA256_DIGEST_SIZE = 32
};

void Sha256Init(Sha256Context* pCtx);
void Sha256Update(Sha256Context* pCtx, const void* pData, size_t nBytes);
int Sha256Final(Sha256Context* pCtx, uint8_t* pDigest);  // writes 32 bytes, returns 32
void Sha256Transform(Sha256Context* pCtx);               // compresses the expanded block in W

// One-shot convenience over the three calls above.
void Sha256(const void* pData, size_t nBytes, uint8_t* pDigest);
