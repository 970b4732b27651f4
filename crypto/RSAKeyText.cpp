#include "crypto/RSAKeyText.h"

CString FormatRSAKeyText(const CBigNum& modulus, const CBigNum& privateExponent)
{
    return modulus.ToHexString() + L" " + privateExponent.ToHexString();
}

BOOL ParseRSAKeyText(const CString& text, CBigNum& modulus, CBigNum& privateExponent)
{
    int nLength = text.GetLength();
    int nBlank = text.Find(L' ');
    if (nLength == 0 || nBlank <= 0 || nBlank == nLength - 1)
        return FALSE;
    // A damaged value can be any size; parsing a huge one digit by digit
    // would take minutes, so the lengths are bounded before parsing.
    if (nBlank > RSA_KEY_TEXT_MAX_DIGITS || nLength - nBlank - 1 > RSA_KEY_TEXT_MAX_DIGITS)
        return FALSE;
    CBigNum n, d;
    n.FromString(L"0x" + text.Left(nBlank));
    d.FromString(L"0x" + text.Mid(nBlank + 1));
    if (n.IsZero() || d.IsZero())
        return FALSE;
    modulus.Copy(n);
    privateExponent.Copy(d);
    return TRUE;
}
