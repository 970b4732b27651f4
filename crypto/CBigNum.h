// Unsigned integer of any size: 32-bit words, least significant first, with a
// used-word count and a capacity that grows in steps of 128 words. The word
// count is visible outside (the key text prints every word in use, the wire
// carries 4 bytes per word), so operations keep the lengths described at each.
#pragma once

#include "afx/Afx.h"

#include <stdint.h>

class CBigNum
{
public:
    enum
    {
        CAPACITY_STEP = 128
    };

    CBigNum();
    virtual ~CBigNum();

    // A number of length 0 has no value yet; see IsEmpty.
    int GetLength() const { return m_nLength; }
    int GetCapacity() const { return m_nCapacity; }
    uint32_t GetWord(int i) const { return m_pWords[i]; }
    const uint32_t* GetWords() const { return m_pWords; }
    BOOL IsEmpty() const { return m_nLength == 0; }

    // Length becomes n; with bZeroFill the new words above the old length are 0.
    void Resize(int n, BOOL bZeroFill);
    // Appends w as the new top word; returns its index.
    int PushWord(uint32_t w);

    void SetZero();
    void SetOne();
    void SetWord(uint32_t w);
    // Least significant byte first; (n + 3) / 4 words, not normalised.
    void SetBytesLE(const BYTE* pBytes, int n);
    // Most significant byte first; max(1, (n + 3) / 4) words, not normalised.
    void FromByteArray(const CByteArray& bytes);
    void FromBytesBE(const BYTE* pBytes, int n);
    // Big-endian bytes of the value without its leading zero words (at least
    // one word): 4 bytes per word, so the length is a multiple of 4.
    void ToByteArray(CByteArray& bytes) const;
    void Copy(const CBigNum& other);

    void Add(const CBigNum& other);  // not normalised
    void AddWord(uint32_t w);
    void Sub(const CBigNum& other);                  // requires this >= other; normalises
    void Mul(const CBigNum& other);                  // normalises
    void Square();                                   // normalises
    void MulWord(const CBigNum& other, uint32_t w);  // length(other) + 1 words
    void SubShifted(const CBigNum& other, int k);    // this -= other * 2^(32k); length kept

    // quotient = dividend / divisor, remainder = dividend mod divisor.
    // Raises CDivideByZeroException for a zero divisor. The outputs may be
    // the same objects as the inputs.
    static void DivMod(const CBigNum& dividend, CBigNum& quotient, const CBigNum& divisor, CBigNum& remainder);
    void Mod(const CBigNum& divisor);  // raises CDivideByZeroException for 0

    static int Compare(const CBigNum& a, const CBigNum& b);  // -1, 0, 1

    void ShiftRight(int bits);  // normalises
    void ShiftLeft(int bits);   // normalises
    void SetBit(int i);
    void ClearBit(int i);  // no effect beyond the length; does not normalise
    BOOL TestBit(int i) const;

    // "0x"/"0X" hexadecimal, a leading "0" octal, else decimal; stops at the
    // first character that is no digit of the base.
    void FromString(LPCWSTR pszText);
    void FromString(const CString& text);
    // Every word in use, top first, as "%08lx": 8 digits per word.
    CString ToHexString() const;

    BOOL IsDivisibleByFermatPrime() const;  // by 3, 5, 17, 257 or 65537

    // result = base^exponent mod modulus, normalised; result may be one of
    // the inputs. FALSE, result untouched, for a zero modulus (never raises
    // for it).
    static BOOL PowMod(CBigNum& result, const CBigNum& base, const CBigNum& exponent, const CBigNum& modulus);
    // The same value by plain square-and-multiply with a full division after
    // every product (the reference the fast path is checked against).
    static BOOL PowModPlain(CBigNum& result, const CBigNum& base, const CBigNum& exponent, const CBigNum& modulus);

    // result = value^-1 mod modulus when they are coprime; otherwise r with
    // r * value = gcd (mod modulus). Defined with the extended Euclid in
    // CSignedBigNum.cpp.
    static void InvMod(CBigNum& result, const CBigNum& value, const CBigNum& modulus);

    BOOL IsZero() const;  // ignores leading zero words
    BOOL IsOne() const;
    BOOL IsOdd() const { return m_nLength > 0 && (m_pWords[0] & 1) != 0; }
    int BitLength() const;  // 0 for zero
    void Normalize();       // strips leading zero words, keeping one
    // Subtracts 1 in place (1 from the lowest word, the borrow carried up
    // through the words in use); the value must not be zero.
    void Decrement();

private:
    CBigNum(const CBigNum&) = delete;
    CBigNum& operator=(const CBigNum&) = delete;

    void Reserve(int n);  // capacity at least n, words in use kept

    uint32_t* m_pWords;  // m_nCapacity words, least significant first
    int m_nLength;       // words in use
    int m_nCapacity;     // words allocated

    friend class CMontgomery;
};
