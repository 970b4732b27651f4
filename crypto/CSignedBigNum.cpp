#include "crypto/CSignedBigNum.h"

#include "crypto/CSBNStack.h"

void CSignedBigNum::Copy(const CSignedBigNum& other)
{
    m_magnitude.Copy(other.m_magnitude);
    m_bNegative = other.m_bNegative;
}

void CSignedBigNum::SetWord(uint32_t w)
{
    m_magnitude.SetWord(w);
    m_bNegative = 0;
}

void CSignedBigNum::Sub(const CSignedBigNum& other)
{
    if (m_bNegative != other.m_bNegative)
    {
        // a - (-b) = a + b and (-a) - b = -(a + b): the sign stays.
        m_magnitude.Add(other.m_magnitude);
        return;
    }
    int c = CBigNum::Compare(m_magnitude, other.m_magnitude);
    if (c > 0)
    {
        m_magnitude.Sub(other.m_magnitude);
    }
    else if (c == 0)
    {
        m_magnitude.SetZero();
        m_bNegative = 0;
    }
    else
    {
        CBigNum old;
        old.Copy(m_magnitude);
        m_magnitude.Copy(other.m_magnitude);
        m_magnitude.Sub(old);
        m_bNegative = (BYTE)~other.m_bNegative;
    }
}

void ExtendedEuclid(const CSignedBigNum& A, const CSignedBigNum& B, CSignedBigNum& G, CSignedBigNum& X,
                    CSignedBigNum& Y)
{
    CSBNStack stack;
    CSignedBigNum U, V;
    U.Copy(A);
    V.Copy(B);
    while (!V.m_magnitude.IsZero())
    {
        CSignedBigNum* Q = new CSignedBigNum;
        stack.Push(Q);
        CSignedBigNum R;
        CBigNum::DivMod(U.m_magnitude, Q->m_magnitude, V.m_magnitude, R.m_magnitude);
        Q->m_bNegative = Q->m_magnitude.IsZero() ? 0 : (BYTE)(U.m_bNegative ^ V.m_bNegative);
        R.m_bNegative = R.m_magnitude.IsZero() ? 0 : U.m_bNegative;
        U.Copy(V);
        V.Copy(R);
    }
    G.Copy(U);

    // Back-substitution from the last quotient: (X, Y) <- (Y, X - Q*Y).
    CSignedBigNum x, y;
    x.SetWord(1);
    y.SetWord(0);
    while (CSignedBigNum* Q = stack.Pop())
    {
        CSignedBigNum T;
        T.Copy(x);
        x.Copy(y);
        Q->m_magnitude.Mul(y.m_magnitude);
        Q->m_bNegative = Q->m_magnitude.IsZero() ? 0 : (BYTE)(Q->m_bNegative ^ y.m_bNegative);
        try
        {
            T.Sub(*Q);
        }
        catch (...)
        {
            delete Q;
            throw;
        }
        delete Q;
        y.Copy(T);
    }
    X.Copy(x);
    Y.Copy(y);
}

void BezoutCoefficient(CSignedBigNum& x, const CBigNum& a, const CBigNum& b)
{
    CSignedBigNum A, B, G, Y;
    A.m_magnitude.Copy(a);
    B.m_magnitude.Copy(b);
    ExtendedEuclid(A, B, G, x, Y);
}

void CBigNum::InvMod(CBigNum& result, const CBigNum& value, const CBigNum& modulus)
{
    CSignedBigNum T;
    BezoutCoefficient(T, value, modulus);
    if (T.IsNegative())
    {
        CBigNum t, r;
        t.Copy(T.m_magnitude);
        t.Mod(modulus);
        r.Copy(modulus);
        r.Sub(t);
        result.Copy(r);
    }
    else
    {
        result.Copy(T.m_magnitude);
    }
}
