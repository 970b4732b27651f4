#include "crypto/RSACrypt.h"

#include <string.h>

BOOL RSACryptBytes(CByteArray& out, const CByteArray& in, const CBigNum& exponent, const CBigNum& modulus)
{
    // A zero modulus can come from a peer; it never reaches the bit clearing
    // (which would clear every bit and loop to -1) or the exponentiation.
    if (modulus.IsZero())
    {
        out.RemoveAll();
        return FALSE;
    }
    CBigNum x, y;
    x.FromByteArray(in);
    // Clear bit positions from the top down, set or not, until x < modulus.
    int b = x.BitLength();
    while (CBigNum::Compare(x, modulus) >= 0)
    {
        --b;
        x.ClearBit(b);
    }
    x.Normalize();
    CBigNum::PowMod(y, x, exponent, modulus);
    y.ToByteArray(out);
    return TRUE;
}

BOOL RSACryptBlock(CByteArray& out, const CByteArray& in, const CBigNum& exponent, const CBigNum& modulus)
{
    if (modulus.IsZero())
    {
        out.RemoveAll();
        return FALSE;
    }
    CBigNum x, y;
    x.FromByteArray(in);
    CBigNum::PowMod(y, x, exponent, modulus);
    y.ToByteArray(out);
    INT_PTR n = out.GetSize();
    if (n < 160)
        out.InsertAt(0, 0, 160 - n);
    return TRUE;
}
