#include "crypto/PasswordHash.h"

#include "crypto/Sha256.h"
#include "crypto/StoredSecret.h"

void HashPassword(const CString& password, CByteArray& hash)
{
    CByteArray bytes;
    TextWithTerminator(password, bytes);
    hash.SetSize(SHA256_DIGEST_SIZE);
    Sha256(bytes.GetData(), (size_t)bytes.GetSize(), hash.GetData());
    SecureZeroMemory(bytes.GetData(), (SIZE_T)bytes.GetSize());
}

void HashWithPassword(const CByteArray& data, const CString& password, CByteArray& hash)
{
    CByteArray bytes;
    TextWithTerminator(password, bytes);
    Sha256Context ctx;
    Sha256Init(&ctx);
    if (data.GetSize() > 0)
        Sha256Update(&ctx, data.GetData(), (size_t)data.GetSize());
    Sha256Update(&ctx, bytes.GetData(), (size_t)bytes.GetSize());
    hash.SetSize(SHA256_DIGEST_SIZE);
    Sha256Final(&ctx, hash.GetData());
    SecureZeroMemory(bytes.GetData(), (SIZE_T)bytes.GetSize());
    SecureZeroMemory(&ctx, sizeof(ctx));
}
