#include "crypto/StoredSecret.h"

#include "crypto/CMRand.h"
#include "crypto/Sha256.h"

#include <string.h>

void TextWithTerminator(const CString& text, CByteArray& bytes)
{
    int n = text.GetLength();
    LPCWSTR p = text.GetString();
    bytes.SetSize(2 * (INT_PTR)n + 2);
    BYTE* q = bytes.GetData();
    for (int i = 0; i < n; ++i)
    {
        q[2 * i] = (BYTE)(p[i] & 0xFF);
        q[2 * i + 1] = (BYTE)(p[i] >> 8);
    }
    q[2 * n] = 0;
    q[2 * n + 1] = 0;
}

uint32_t MachineSeedFromName(LPCWSTR pszName)
{
    CByteArray bytes;
    TextWithTerminator(CString(pszName != nullptr ? pszName : L""), bytes);
    uint8_t digest[32];
    Sha256(bytes.GetData(), (size_t)bytes.GetSize(), digest);
    uint32_t seed = 0;
    for (int k = 0; k < 8; ++k)
    {
        seed ^= (uint32_t)digest[4 * k] | ((uint32_t)digest[4 * k + 1] << 8) | ((uint32_t)digest[4 * k + 2] << 16) |
                ((uint32_t)digest[4 * k + 3] << 24);
    }
    return seed;
}

uint32_t GetMachineSeed()
{
    wchar_t name[16] = {0};
    DWORD nSize = 16;
    // A failed call leaves the name empty: the seed is then that of the
    // empty name, as it always was for such a computer.
    if (!GetComputerNameW(name, &nSize))
        name[0] = 0;
    name[15] = 0;
    return MachineSeedFromName(name);
}

void EncodePasswordWithSeed(const CString& text, CByteArray& blob, uint32_t nSeed)
{
    CByteArray plain;
    TextWithTerminator(text, plain);
    INT_PTR n = plain.GetSize();
    INT_PTR nPadded = (n + 31) / 32 * 32;
    plain.SetSize(nPadded);  // new bytes are zero
    BYTE* p = plain.GetData();
    blob.SetSize(STORED_SECRET_DIGEST_SIZE + nPadded);
    BYTE* q = blob.GetData();
    Sha256(p, (size_t)nPadded, q);
    CMRand mask(nSeed);
    for (INT_PTR i = 0; i < nPadded; ++i)
        q[STORED_SECRET_DIGEST_SIZE + i] = (BYTE)(p[i] ^ (BYTE)mask.Next());
    // The plain block held the secret: don't leave it in freed memory.
    SecureZeroMemory(p, (SIZE_T)nPadded);
}

BOOL DecodePasswordWithSeed(const CByteArray& blob, CString& text, uint32_t nSeed)
{
    INT_PTR nBlob = blob.GetSize();
    if (nBlob < STORED_SECRET_MIN_BLOB)
        return FALSE;
    const BYTE* q = blob.GetData();
    INT_PTR n = nBlob - STORED_SECRET_DIGEST_SIZE;
    CByteArray plain;
    plain.SetSize(n);
    BYTE* p = plain.GetData();
    CMRand mask(nSeed);
    for (INT_PTR i = 0; i < n; ++i)
        p[i] = (BYTE)(q[STORED_SECRET_DIGEST_SIZE + i] ^ (BYTE)mask.Next());
    uint8_t digest[32];
    Sha256(p, (size_t)n, digest);
    BOOL bMatch = memcmp(digest, q, STORED_SECRET_DIGEST_SIZE) == 0;
    if (bMatch)
        text = BytesToString(plain);
    SecureZeroMemory(p, (SIZE_T)n);
    return bMatch;
}

void EncodePassword(const CString& text, CByteArray& blob) { EncodePasswordWithSeed(text, blob, GetMachineSeed()); }

BOOL DecodePassword(const CByteArray& blob, CString& text)
{
    return DecodePasswordWithSeed(blob, text, GetMachineSeed());
}

CString BytesToString(const CByteArray& bytes)
{
    INT_PTR nUnits = bytes.GetSize() / 2;
    const BYTE* p = bytes.GetData();
    INT_PTR n = 0;
    while (n < nUnits && (p[2 * n] | p[2 * n + 1]) != 0)
        ++n;
    CString text;
    if (n == 0)
        return text;
    if (n > 0x7FFFFFFF)
        AfxThrowMemoryException();
    LPWSTR w = text.GetBufferSetLength((int)n);
    for (INT_PTR i = 0; i < n; ++i)
        w[i] = (wchar_t)(p[2 * i] | (p[2 * i + 1] << 8));
    text.ReleaseBuffer((int)n);
    return text;
}
