#include <gtest/gtest.h>

#include "crypto/CPrimeGen.h"
#include "crypto/RSACrypt.h"
#include "CryptoTestUtil.h"

#include <vector>

namespace {

CByteArray* Bytes(CByteArray& a, std::initializer_list<int> v)
{
    a.RemoveAll();
    for (int b : v)
        a.Add((BYTE)b);
    return &a;
}

TEST(RSACryptTest, SmallKeyByteOrder)
{
    // n = 61 * 53 = 3233, e = 17, d = 2753; 65 -> 2790 (0x0ae6)
    CBigNum n, e, d;
    n.SetWord(3233);
    e.SetWord(17);
    d.SetWord(2753);
    CByteArray in, out, back;
    ASSERT_TRUE(RSACryptBytes(out, *Bytes(in, {0x41}), e, n));
    ASSERT_EQ(4, out.GetSize()) << "4 bytes per word";
    EXPECT_EQ(0x00, out[0]);
    EXPECT_EQ(0x00, out[1]);
    EXPECT_EQ(0x0a, out[2]);
    EXPECT_EQ(0xe6, out[3]);
    ASSERT_TRUE(RSACryptBlock(back, out, d, n));
    ASSERT_EQ(160, back.GetSize()) << "padded in front to 160 bytes";
    for (int i = 0; i < 159; ++i)
        ASSERT_EQ(0, back[i]) << "byte " << i;
    EXPECT_EQ(0x41, back[159]);
}

TEST(RSACryptTest, InputAtOrAboveTheModulusLosesTopBits)
{
    CBigNum n, e;
    n.SetWord(3233);  // 12 bits: 0xca1
    e.SetWord(1);
    struct
    {
        std::initializer_list<int> in;
        uint32_t expected;
    } cases[] = {
        {{0x0c, 0xa1}, 0x4a1},              // n itself: bit 11 cleared
        {{0xff, 0xff}, 0x7ff},              // bits 15..11 cleared one per step
        {{0x0c, 0xa0}, 0xca0},              // below n: unchanged
        {{0x00, 0x00, 0x10, 0x00}, 0x000},  // 4096: bit 12 cleared gives 0
    };
    for (const auto& c : cases)
    {
        CByteArray in, out;
        Bytes(in, c.in);
        CByteArray copy;
        copy.Copy(in);
        ASSERT_TRUE(RSACryptBytes(out, in, e, n));
        ASSERT_EQ(4, out.GetSize());
        uint32_t v = ((uint32_t)out[0] << 24) | ((uint32_t)out[1] << 16) | ((uint32_t)out[2] << 8) | out[3];
        EXPECT_EQ(c.expected, v);
        for (INT_PTR i = 0; i < in.GetSize(); ++i)
            EXPECT_EQ(copy[i], in[i]) << "the input stays as it was";
    }
}

TEST(RSACryptTest, ZeroModulusIsRefused)
{
    CBigNum zero, e;
    CByteArray zeros;
    zeros.SetSize(160);
    zero.FromByteArray(zeros);  // what a peer sends as 160 zero bytes
    e.SetWord(65537);
    CByteArray in, out;
    in.SetSize(160);
    in[0] = 0xFF;
    out.Add(1);
    EXPECT_FALSE(RSACryptBytes(out, in, e, zero));
    EXPECT_EQ(0, out.GetSize());
    out.Add(1);
    EXPECT_FALSE(RSACryptBlock(out, in, e, zero));
    EXPECT_EQ(0, out.GetSize());
}

class RSAKeyTest : public ::testing::Test
{
protected:
    // One 1280-bit key made by the prime search, shared by the tests.
    static void SetUpTestSuite()
    {
        CPrimeGen::BuildSmallPrimeTable();
        CPrimeGen gp, gq;
        BYTE seed[256];
        for (int i = 0; i < 256; ++i)
            seed[i] = (BYTE)(i * 13 + 1);
        gp.m_rand.Seed(seed, 256);
        seed[255] ^= 0x5A;  // the stream depends on the last four bytes
        gq.m_rand.Seed(seed, 256);
        std::atomic<LONG> r(0), c(0);
        std::atomic<BOOL> cancel(FALSE);
        s_p = new CBigNum;
        s_q = new CBigNum;
        s_n = new CBigNum;
        s_d = new CBigNum;
        s_e = new CBigNum;
        gp.FindPrime(*s_p, r, c, cancel);
        gq.FindPrime(*s_q, r, c, cancel);
        s_n->Copy(*s_p);
        s_n->Mul(*s_q);
        CBigNum pm1, qm1;
        pm1.Copy(*s_p);
        pm1.Decrement();
        qm1.Copy(*s_q);
        qm1.Decrement();
        pm1.Mul(qm1);
        s_e->SetWord(65537);
        CBigNum::InvMod(*s_d, *s_e, pm1);
    }
    static void TearDownTestSuite()
    {
        delete s_p;
        delete s_q;
        delete s_n;
        delete s_d;
        delete s_e;
    }
    static CBigNum *s_p, *s_q, *s_n, *s_d, *s_e;
};
CBigNum *RSAKeyTest::s_p, *RSAKeyTest::s_q, *RSAKeyTest::s_n, *RSAKeyTest::s_d, *RSAKeyTest::s_e;

TEST_F(RSAKeyTest, KeyHas1280Bits)
{
    EXPECT_EQ(1280, s_n->BitLength());
    EXPECT_EQ(40, s_n->GetLength());
    EXPECT_NE(0, CBigNum::Compare(*s_p, *s_q));
}

TEST_F(RSAKeyTest, SessionKeyRoundTrips)
{
    CTestRng rng(31);
    int nTopBitSetAboveN = 0;
    for (int iter = 0; iter < 24; ++iter)
    {
        CByteArray key;
        key.SetSize(160);
        for (int i = 0; i < 160; ++i)
            key[i] = (BYTE)rng.Next();
        if (iter % 2 == 0)
            key[0] &= 0x7F;  // top bit clear: always below a 1280-bit modulus
        else
            key[0] |= 0x80;
        CByteArray sent, received;
        ASSERT_TRUE(RSACryptBytes(sent, key, *s_e, *s_n));
        ASSERT_LE(sent.GetSize(), 160);
        ASSERT_EQ(0, sent.GetSize() % 4);
        ASSERT_TRUE(RSACryptBlock(received, sent, *s_d, *s_n));
        ASSERT_EQ(160, received.GetSize());

        CBigNum k;
        k.FromByteArray(key);
        bool above = CBigNum::Compare(k, *s_n) >= 0;
        if (above)
        {
            ++nTopBitSetAboveN;
            key[0] &= 0x7F;  // the sender cleared bit 1279 before encrypting
        }
        for (int i = 0; i < 160; ++i)
            ASSERT_EQ(key[i], received[i]) << "iteration " << iter << ", byte " << i;
    }
    // Our modulus is below 2^1280 - 2^1279 * ..., so some keys with the top bit set were above it.
    (void)nTopBitSetAboveN;
}

TEST_F(RSAKeyTest, FastAndPlainExponentiationAgreeOnTheKey)
{
    CTestRng rng(8);
    CBigNum x, fast, plain;
    rng.Fill(x, 40);
    x.Mod(*s_n);
    ASSERT_TRUE(CBigNum::PowMod(fast, x, *s_d, *s_n));
    ASSERT_TRUE(CBigNum::PowModPlain(plain, x, *s_d, *s_n));
    EXPECT_EQ(Hex(plain), Hex(fast));
}

TEST_F(RSAKeyTest, ShortResultsAndPadding)
{
    // The number 1 encrypts to 1: 4 bytes from RSACryptBytes, 160 from RSACryptBlock.
    CByteArray one, out;
    one.SetSize(160);
    one[159] = 1;
    ASSERT_TRUE(RSACryptBytes(out, one, *s_e, *s_n));
    ASSERT_EQ(4, out.GetSize());
    EXPECT_EQ(1, out[3]);
    ASSERT_TRUE(RSACryptBlock(out, one, *s_d, *s_n));
    ASSERT_EQ(160, out.GetSize());
    EXPECT_EQ(1, out[159]);
}

}  // namespace
