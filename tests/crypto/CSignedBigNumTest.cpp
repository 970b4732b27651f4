#include <gtest/gtest.h>

#include "crypto/CSBNStack.h"
#include "crypto/CSignedBigNum.h"
#include "CryptoTestUtil.h"

namespace {

void SetSigned(CSignedBigNum& n, long long v)
{
    unsigned long long m = v < 0 ? 0ull - (unsigned long long)v : (unsigned long long)v;
    n.m_magnitude.SetWord((uint32_t)m);
    if (m >> 32)
        n.m_magnitude.PushWord((uint32_t)(m >> 32));
    n.m_bNegative = v < 0 ? 0xFF : 0;
}

long long GetSigned(const CSignedBigNum& n)
{
    CBigNum m;
    m.Copy(n.m_magnitude);
    m.Normalize();
    unsigned long long v = m.GetWord(0);
    if (m.GetLength() > 1)
        v |= (unsigned long long)m.GetWord(1) << 32;
    return n.IsNegative() ? -(long long)v : (long long)v;
}

TEST(CSignedBigNumTest, SubSignTable)
{
    const long long cases[][3] = {
        {5, 7, -2},
        {-5, -7, 2},
        {5, -7, 12},
        {-5, 7, -12},
        {7, 7, 0},
        {-7, -7, 0},
        {0, 5, -5},
        {0, -5, 5},
        {5, 0, 5},
        {0, 0, 0},
        {-3, 0, -3},
        {4294967296LL, 1, 4294967295LL},
        {-4294967295LL, 1, -4294967296LL},
    };
    for (const auto& c : cases)
    {
        CSignedBigNum a, b;
        SetSigned(a, c[0]);
        SetSigned(b, c[1]);
        a.Sub(b);
        EXPECT_EQ(c[2], GetSigned(a)) << c[0] << " - " << c[1];
        if (c[2] == 0)
            EXPECT_EQ(0, a.m_bNegative) << c[0] << " - " << c[1] << ": zero is never negative";
        else
            EXPECT_EQ(c[2] < 0 ? 0xFF : 0, a.m_bNegative) << c[0] << " - " << c[1];
    }
}

TEST(CSignedBigNumTest, ExtendedEuclid)
{
    const long long cases[][5] = {
        // A, B, G, X, Y
        {65537, 3120, 1, -367, 7709},
        {3120, 65537, 1, 7709, -367},
        {240, 46, 2, -9, 47},
        {7, 0, 7, 1, 0},
        {0, 7, 7, 0, 1},
        {12, 12, 12, 0, 1},
    };
    for (const auto& c : cases)
    {
        CSignedBigNum A, B, G, X, Y;
        SetSigned(A, c[0]);
        SetSigned(B, c[1]);
        ExtendedEuclid(A, B, G, X, Y);
        EXPECT_EQ(c[2], GetSigned(G)) << "gcd(" << c[0] << ", " << c[1] << ")";
        EXPECT_EQ(c[3], GetSigned(X)) << "X for " << c[0] << ", " << c[1];
        EXPECT_EQ(c[4], GetSigned(Y)) << "Y for " << c[0] << ", " << c[1];
        EXPECT_EQ(c[0], GetSigned(A)) << "A unchanged";
    }
}

TEST(CSignedBigNumTest, InvModTable)
{
    const unsigned long long cases[][3] = {
        {65537, 3120, 2753},
        {3, 7, 5},
        {10, 17, 12},
        {6, 9, 8},              // not coprime: 8 * 6 = 3 (mod 9), the gcd
        {65537, 4 * 65537, 1},  // gcd 65537, coefficient 1
        {0, 7, 0},
        {5, 1, 0},
        {123456789, 1, 0},
    };
    for (const auto& c : cases)
    {
        CBigNum v, m, r;
        v.SetWord((uint32_t)c[0]);
        m.SetWord((uint32_t)c[1]);
        if (c[1] >> 32)
            m.PushWord((uint32_t)(c[1] >> 32));
        CBigNum::InvMod(r, v, m);
        EXPECT_EQ(std::to_wstring(c[2]), std::to_wstring(r.GetWord(0))) << "InvMod(" << c[0] << ", " << c[1] << ")";
        EXPECT_EQ(1, r.GetLength());
    }
}

TEST(CSignedBigNumTest, InvModOfKeySizeNumbers)
{
    // e * d = 1 mod phi for a 1280-bit-sized even modulus
    CTestRng rng(5);
    for (int iter = 0; iter < 5; ++iter)
    {
        CBigNum phi, e, d;
        rng.Fill(phi, 40);
        phi.SetBit(1279);
        phi.ClearBit(0);
        e.SetWord(65537);
        CBigNum rem;
        rem.Copy(phi);
        CBigNum q, r;
        CBigNum::DivMod(phi, q, e, r);
        if (r.IsZero())
            continue;
        CBigNum::InvMod(d, e, phi);
        EXPECT_LT(CBigNum::Compare(d, phi), 0) << "iteration " << iter;
        CBigNum check;
        check.Copy(d);
        check.Mul(e);
        check.Mod(phi);
        EXPECT_EQ(L"1", Hex(check)) << "iteration " << iter;
    }
}

TEST(CSBNStackTest, OwnsWhatItHolds)
{
    CSBNStack stack;
    EXPECT_TRUE(stack.IsEmpty());
    EXPECT_EQ(nullptr, stack.Pop());
    for (uint32_t i = 0; i < 5; ++i)
    {
        CSignedBigNum* p = new CSignedBigNum;
        p->SetWord(i);
        stack.Push(p);
    }
    CSignedBigNum* top = stack.Pop();
    ASSERT_NE(nullptr, top);
    EXPECT_EQ(4u, top->m_magnitude.GetWord(0));
    delete top;
    EXPECT_EQ(4, stack.GetSize());
    // the four left are deleted by the destructor
}

}  // namespace
