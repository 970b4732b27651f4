// Modular exponentiation in Montgomery form for an odd modulus, with a
// sliding window over the exponent. It computes exactly base^exponent mod
// modulus, the value of the plain square-and-multiply loop, without a long
// division after every product. The limb arrays of one object (modulus,
// window table, products) are one block allocated by Init and reused by every
// exponentiation with that object.
#pragma once

#include "crypto/CBigNum.h"

#include <stdint.h>

class CMontgomery
{
public:
// CRYPTO_NO_INT128 forces the 32-bit code of the i686 build, so that it can
// be tested on a 64-bit host.
#if defined(__SIZEOF_INT128__) && !defined(CRYPTO_NO_INT128)
    typedef uint64_t Limb;  // 64-bit limbs where the compiler has a 128-bit product
#else
    typedef uint32_t Limb;
#endif

    CMontgomery();
    virtual ~CMontgomery();

    // modulus: odd and greater than 1.
    void Init(const CBigNum& modulus);
    // result = base^exponent mod modulus, normalised; result may be base or exponent.
    void PowMod(CBigNum& result, const CBigNum& base, const CBigNum& exponent);

private:
    CMontgomery(const CMontgomery&) = delete;
    CMontgomery& operator=(const CMontgomery&) = delete;

    void MontMul(Limb* pOut, const Limb* a, const Limb* b);
    void MontSqr(Limb* pOut, const Limb* a);
    void FinalSubtract(Limb* pOut, const Limb* u);
    void ToLimbs(Limb* pOut, const CBigNum& x) const;  // x below the modulus
    void FromLimbs(CBigNum& out, const Limb* p) const;

    enum
    {
        WINDOW_MAX = 5
    };

    int m_nLimbs;
    Limb m_nInv;     // -modulus^-1 mod 2^(limb bits)
    Limb* m_pBlock;  // all the limb arrays below, in one allocation
    Limb* m_pMod;    // modulus
    Limb* m_pRR;     // R^2 mod modulus, R = 2^(limb bits * m_nLimbs)
    Limb* m_pTable;  // odd powers of the base in Montgomery form
    Limb* m_pAcc;
    Limb* m_pTmp;   // m_nLimbs + 2 spare limbs
    Limb* m_pWide;  // 2 * m_nLimbs + 2 limbs: the multipliers m and the result u
    CBigNum m_modulus;
};
