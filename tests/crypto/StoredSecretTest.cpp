#include <gtest/gtest.h>

#include "crypto/CMRand.h"
#include "crypto/PasswordHash.h"
#include "crypto/Sha256.h"
#include "crypto/StoredSecret.h"

#include <string>

namespace {

std::string ToHex(const CByteArray& a)
{
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (INT_PTR i = 0; i < a.GetSize(); ++i)
    {
        s += d[a[i] >> 4];
        s += d[a[i] & 15];
    }
    return s;
}

CByteArray* Bytes(CByteArray& a, const BYTE* p, int n)
{
    a.SetSize(n);
    for (int i = 0; i < n; ++i)
        a[i] = p[i];
    return &a;
}

const uint32_t kSeedAlpha = 0x878ec0bfu;  // the seed of a computer named ALPHA

TEST(StoredSecretTest, MachineSeedFromName)
{
    // The empty name hashes its terminator alone: SHA-256 of two zero bytes,
    // 96a296d2 24f285c6 ..., folded as little-endian words.
    EXPECT_EQ(0x3f650387u, MachineSeedFromName(L""));
    EXPECT_EQ(0x3f650387u, MachineSeedFromName(nullptr));
    EXPECT_EQ(kSeedAlpha, MachineSeedFromName(L"ALPHA"));
    EXPECT_EQ(0xb4852eebu, MachineSeedFromName(L"WINEHOST"));

    wchar_t name[16] = {0};
    DWORD n = 16;
    ASSERT_TRUE(GetComputerNameW(name, &n));
    EXPECT_EQ(MachineSeedFromName(name), GetMachineSeed()) << "the product reads the real name";
}

TEST(StoredSecretTest, KnownBlobOfTheEmptyText)
{
    // digest of 32 zero bytes, then the 32 mask bytes of the ALPHA seed
    CByteArray blob;
    EncodePasswordWithSeed(CString(), blob, kSeedAlpha);
    EXPECT_EQ("66687aadf862bd776c8fc18b8e9f8e20089714856ee233b3902a591d0d5f2925"
              "ea7d402cba4b599e70484d443bee7e8731133a0ea9bf3d35e53b77bbf56a10ba",
              ToHex(blob));
}

TEST(StoredSecretTest, RoundTripAndBlobSizes)
{
    struct
    {
        const wchar_t* text;
        INT_PTR nBlob;
    } cases[] = {
        {L"", 64},
        {L"123456789012345", 64},   // 15 units: 32 plain bytes, no padding
        {L"1234567890123456", 96},  // 16 units: 34 bytes, padded to 64
        {L"\x30D1\x30B9\x30EF\x30FC\x30C9", 64},
        {L"a", 64},
        {L"0123456789abcdef0123456789abcdef0123456789abcdef", 160},  // 48 units: 98 -> 128 plain bytes
    };
    for (const auto& c : cases)
    {
        CByteArray blob;
        EncodePasswordWithSeed(c.text, blob, kSeedAlpha);
        EXPECT_EQ(c.nBlob, blob.GetSize()) << "text of " << wcslen(c.text) << " units";
        CString back = L"unchanged";
        ASSERT_TRUE(DecodePasswordWithSeed(blob, back, kSeedAlpha));
        EXPECT_EQ(CString(c.text), back);

        // the real computer's seed
        EncodePassword(c.text, blob);
        back.Empty();
        ASSERT_TRUE(DecodePassword(blob, back));
        EXPECT_EQ(CString(c.text), back);
    }
}

TEST(StoredSecretTest, RefusesDamagedBlobsAndLeavesTheText)
{
    CByteArray good;
    EncodePasswordWithSeed(L"secret password", good, kSeedAlpha);
    ASSERT_EQ(64, good.GetSize());

    // every single changed byte, digest and masked part alike
    for (INT_PTR i = 0; i < good.GetSize(); ++i)
    {
        CByteArray bad;
        bad.Copy(good);
        bad[i] ^= 0x01;
        CString text = L"before";
        EXPECT_FALSE(DecodePasswordWithSeed(bad, text, kSeedAlpha)) << "byte " << i << " changed";
        EXPECT_EQ(CString(L"before"), text);
    }
    // too short: 63 bytes; empty
    CByteArray shorter;
    shorter.Copy(good);
    shorter.SetSize(63);
    CString text = L"before";
    EXPECT_FALSE(DecodePasswordWithSeed(shorter, text, kSeedAlpha));
    CByteArray empty;
    EXPECT_FALSE(DecodePasswordWithSeed(empty, text, kSeedAlpha));
    // another computer's name
    EXPECT_FALSE(DecodePasswordWithSeed(good, text, MachineSeedFromName(L"BETA")));
    // a longer blob with extra bytes
    CByteArray longer;
    longer.Copy(good);
    longer.Add(0);
    EXPECT_FALSE(DecodePasswordWithSeed(longer, text, kSeedAlpha));
    EXPECT_EQ(CString(L"before"), text);
}

TEST(StoredSecretTest, DecodesAMaskedBlockThatIsNoMultipleOf32)
{
    // A value of another writer: 40 plain bytes, digest over exactly those.
    BYTE plain[40] = {0};
    const wchar_t* t = L"odd size";
    for (int i = 0; t[i]; ++i)
        plain[2 * i] = (BYTE)t[i];
    CByteArray blob;
    blob.SetSize(72);
    Sha256(plain, 40, blob.GetData());
    CMRand mask(kSeedAlpha);
    for (int i = 0; i < 40; ++i)
        blob[32 + i] = (BYTE)(plain[i] ^ (BYTE)mask.Next());
    CString text;
    ASSERT_TRUE(DecodePasswordWithSeed(blob, text, kSeedAlpha));
    EXPECT_EQ(CString(L"odd size"), text);
}

TEST(StoredSecretTest, TextWithZeroUnitDecodesUpToIt)
{
    CString text(L"ab\0cd", 5);
    ASSERT_EQ(5, text.GetLength());
    CByteArray blob;
    EncodePasswordWithSeed(text, blob, kSeedAlpha);
    CString back;
    ASSERT_TRUE(DecodePasswordWithSeed(blob, back, kSeedAlpha));
    EXPECT_EQ(CString(L"ab"), back);
}

TEST(StoredSecretTest, BytesToString)
{
    const BYTE a[] = {'h', 0, 'i', 0, 0, 0, 'x', 0};
    const BYTE b[] = {'h', 0, 'i', 0, 'j'};  // odd last byte ignored
    const BYTE c[] = {0x42, 0x30, 0x44, 0x30};
    CByteArray arr;
    EXPECT_EQ(CString(L"hi"), BytesToString(*Bytes(arr, a, 8)));
    EXPECT_EQ(CString(L"hi"), BytesToString(*Bytes(arr, b, 5)));
    EXPECT_EQ(CString(L"\x3042\x3044"), BytesToString(*Bytes(arr, c, 4)));
    EXPECT_EQ(CString(), BytesToString(*Bytes(arr, c, 0)));
}

TEST(PasswordHashTest, KnownDigests)
{
    CByteArray hash;
    HashPassword(CString(), hash);
    EXPECT_EQ("96a296d224f285c67bee93c30f8a309157f0daa35dc5b87e410b78630a09cfc7", ToHex(hash));
    HashPassword(L"\x30D1\x30B9\x30EF\x30FC\x30C9", hash);
    EXPECT_EQ("659bbca6929766fa0cd3e8335d57603112b2cbb6b7bc0b06d210da1f30b5fca3", ToHex(hash));

    CByteArray challenge;
    challenge.SetSize(32);
    for (int i = 0; i < 32; ++i)
        challenge[i] = (BYTE)i;
    HashWithPassword(challenge, L"pass", hash);
    EXPECT_EQ("3660ffb61a04f488562be1ce2ab8bc20726243e8b09d57af46928c790a996531", ToHex(hash));
    ASSERT_EQ(32, hash.GetSize());

    // Empty password: the data followed by two zero bytes; no data: HashPassword.
    CByteArray none, h2;
    HashWithPassword(none, L"pass", hash);
    HashPassword(L"pass", h2);
    EXPECT_EQ(ToHex(h2), ToHex(hash));
    const BYTE zz[] = {0, 0};
    CByteArray two;
    HashWithPassword(*Bytes(two, zz, 2), CString(), hash);
    HashPassword(CString(L"\0", 1), h2);  // one zero unit plus terminator: 4 zero bytes
    EXPECT_EQ(ToHex(h2), ToHex(hash));
}

}  // namespace
