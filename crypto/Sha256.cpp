#include "crypto/Sha256.h"

#include <string.h>

namespace {

const uint32_t K[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

inline uint32_t Rotr(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint32_t Sigma0(uint32_t x) { return Rotr(x, 2) ^ Rotr(x, 13) ^ Rotr(x, 22); }
inline uint32_t Sigma1(uint32_t x) { return Rotr(x, 6) ^ Rotr(x, 11) ^ Rotr(x, 25); }
inline uint32_t sigma0(uint32_t x) { return Rotr(x, 7) ^ Rotr(x, 18) ^ (x >> 3); }
inline uint32_t sigma1(uint32_t x) { return Rotr(x, 17) ^ Rotr(x, 19) ^ (x >> 10); }
inline uint32_t Ch(uint32_t x, uint32_t y, uint32_t z) { return (x & y) ^ (~x & z); }
inline uint32_t Maj(uint32_t x, uint32_t y, uint32_t z) { return (x & y) ^ (x & z) ^ (y & z); }

// W[16..63] from W[0..15], four words per pass.
void Expand(uint32_t* W)
{
    for (int t = 16; t < 64; t += 4)
    {
        W[t] = sigma1(W[t - 2]) + W[t - 7] + sigma0(W[t - 15]) + W[t - 16];
        W[t + 1] = sigma1(W[t - 1]) + W[t - 6] + sigma0(W[t - 14]) + W[t - 15];
        W[t + 2] = sigma1(W[t]) + W[t - 5] + sigma0(W[t - 13]) + W[t - 14];
        W[t + 3] = sigma1(W[t + 1]) + W[t - 4] + sigma0(W[t - 12]) + W[t - 13];
    }
}

void CompressBlock(Sha256Context* pCtx)
{
    Expand(pCtx->W);
    Sha256Transform(pCtx);
    pCtx->nIndex = 0;
    memset(pCtx->W, 0, sizeof(pCtx->W));
}

void AddBits(Sha256Context* pCtx, size_t nBytes)
{
    // 64-bit count of bits held as two words; a carry out of the low word goes up.
    uint64_t bits = ((uint64_t)pCtx->nBitsHi << 32) | pCtx->nBitsLo;
    bits += (uint64_t)nBytes * 8;
    pCtx->nBitsLo = (uint32_t)bits;
    pCtx->nBitsHi = (uint32_t)(bits >> 32);
}

}  // namespace

void Sha256Init(Sha256Context* pCtx)
{
    static const uint32_t H0[8] = {
        0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
    };
    memcpy(pCtx->H, H0, sizeof(H0));
    memset(pCtx->W, 0, sizeof(pCtx->W));
    pCtx->nIndex = 0;
    pCtx->nBitsLo = 0;
    pCtx->nBitsHi = 0;
}

void Sha256Update(Sha256Context* pCtx, const void* pData, size_t nBytes)
{
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    AddBits(pCtx, nBytes);
    while (nBytes > 0)
    {
        uint32_t i = pCtx->nIndex;
        if ((i & 3) == 0 && nBytes >= 4)
        {
            // Word-aligned: whole big-endian words at once, same bits as byte by byte.
            uint32_t* w = pCtx->W + i / 4;
            while (i < 64 && nBytes >= 4)
            {
                *w++ = ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
                p += 4;
                nBytes -= 4;
                i += 4;
            }
        }
        else
        {
            pCtx->W[i / 4] |= (uint32_t)*p++ << (24 - 8 * (i & 3));
            --nBytes;
            ++i;
        }
        pCtx->nIndex = i;
        if (i == 64)
            CompressBlock(pCtx);
    }
}

int Sha256Final(Sha256Context* pCtx, uint8_t* pDigest)
{
    uint32_t i = pCtx->nIndex;
    pCtx->W[i / 4] |= 0x80u << (24 - 8 * (i & 3));
    i = (i + 1 + 3) & ~3u;
    if (i > 56)
    {
        // No room left for the 64-bit length in this block.
        CompressBlock(pCtx);
        i = 0;
    }
    for (uint32_t w = i / 4; w <= 13; ++w)
        pCtx->W[w] = 0;
    pCtx->W[14] = pCtx->nBitsHi;
    pCtx->W[15] = pCtx->nBitsLo;
    Expand(pCtx->W);
    Sha256Transform(pCtx);
    for (int k = 0; k < 8; ++k)
    {
        uint32_t h = pCtx->H[k];
        pDigest[4 * k] = (uint8_t)(h >> 24);
        pDigest[4 * k + 1] = (uint8_t)(h >> 16);
        pDigest[4 * k + 2] = (uint8_t)(h >> 8);
        pDigest[4 * k + 3] = (uint8_t)h;
    }
    return SHA256_DIGEST_SIZE;
}

// Eight rounds with the working variables renamed instead of moved.
#define SHA256_ROUND(a, b, c, d, e, f, g, h, t)                                                                        \
    do                                                                                                                 \
    {                                                                                                                  \
        uint32_t t1 = h + Sigma1(e) + Ch(e, f, g) + K[t] + W[t];                                                       \
        uint32_t t2 = Sigma0(a) + Maj(a, b, c);                                                                        \
        d += t1;                                                                                                       \
        h = t1 + t2;                                                                                                   \
    } while (0)

void Sha256Transform(Sha256Context* pCtx)
{
    const uint32_t* W = pCtx->W;
    uint32_t a = pCtx->H[0], b = pCtx->H[1], c = pCtx->H[2], d = pCtx->H[3];
    uint32_t e = pCtx->H[4], f = pCtx->H[5], g = pCtx->H[6], h = pCtx->H[7];
    for (int t = 0; t < 64; t += 8)
    {
        SHA256_ROUND(a, b, c, d, e, f, g, h, t);
        SHA256_ROUND(h, a, b, c, d, e, f, g, t + 1);
        SHA256_ROUND(g, h, a, b, c, d, e, f, t + 2);
        SHA256_ROUND(f, g, h, a, b, c, d, e, t + 3);
        SHA256_ROUND(e, f, g, h, a, b, c, d, t + 4);
        SHA256_ROUND(d, e, f, g, h, a, b, c, t + 5);
        SHA256_ROUND(c, d, e, f, g, h, a, b, t + 6);
        SHA256_ROUND(b, c, d, e, f, g, h, a, t + 7);
    }
    pCtx->H[0] += a;
    pCtx->H[1] += b;
    pCtx->H[2] += c;
    pCtx->H[3] += d;
    pCtx->H[4] += e;
    pCtx->H[5] += f;
    pCtx->H[6] += g;
    pCtx->H[7] += h;
}

void Sha256(const void* pData, size_t nBytes, uint8_t* pDigest)
{
    Sha256Context ctx;
    Sha256Init(&ctx);
    Sha256Update(&ctx, pData, nBytes);
    Sha256Final(&ctx, pDigest);
}
