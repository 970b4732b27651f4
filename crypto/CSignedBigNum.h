// Signed number over CBigNum: magnitude and sign, used only by the extended
// Euclidean algorithm behind the modular inverse.
#pragma once

#include "crypto/CBigNum.h"

class CSignedBigNum
{
public:
    CSignedBigNum() : m_bNegative(0) {}
    virtual ~CSignedBigNum() {}

    BOOL IsNegative() const { return m_bNegative != 0; }
    void Copy(const CSignedBigNum& other);
    void SetWord(uint32_t w);  // non-negative value w
    // this = this - other, both signed.
    void Sub(const CSignedBigNum& other);

    CBigNum m_magnitude;
    BYTE m_bNegative;  // 0 for zero or more, 0xFF for negative; 0 whenever the magnitude is 0

private:
    CSignedBigNum(const CSignedBigNum&) = delete;
    CSignedBigNum& operator=(const CSignedBigNum&) = delete;
};

// G = gcd(A, B) and X, Y with X*A + Y*B = G. A and B are not changed.
void ExtendedEuclid(const CSignedBigNum& A, const CSignedBigNum& B, CSignedBigNum& G, CSignedBigNum& X,
                    CSignedBigNum& Y);
// x = the coefficient of a in x*a + y*b = gcd(a, b).
void BezoutCoefficient(CSignedBigNum& x, const CBigNum& a, const CBigNum& b);
