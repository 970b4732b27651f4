#include "crypto/CBigNum.h"

#include "crypto/CDivideByZeroException.h"
#include "crypto/CMontgomery.h"

#include <string.h>

namespace {

// Word buffer for a temporary product: on the stack up to 256 words (two
// 4096-bit factors), on the heap beyond, so the usual sizes allocate nothing.
class CWordScratch
{
public:
    explicit CWordScratch(int n) : m_p(n <= LOCAL ? m_local : new uint32_t[n]) {}
    ~CWordScratch()
    {
        if (m_p != m_local)
            delete[] m_p;
    }
    uint32_t* Get() { return m_p; }

private:
    enum
    {
        LOCAL = 256
    };
    CWordScratch(const CWordScratch&) = delete;
    CWordScratch& operator=(const CWordScratch&) = delete;
    uint32_t m_local[LOCAL];
    uint32_t* m_p;
};

inline int SignificantLength(const uint32_t* p, int n)
{
    while (n > 1 && p[n - 1] == 0)
        --n;
    return n;
}

inline int BitLengthOfWord(uint32_t w)
{
    int n = 0;
    while (w)
    {
        ++n;
        w >>= 1;
    }
    return n;
}

}  // namespace

CBigNum::CBigNum() : m_pWords(new uint32_t[CAPACITY_STEP]), m_nLength(0), m_nCapacity(CAPACITY_STEP) {}

CBigNum::~CBigNum() { delete[] m_pWords; }

void CBigNum::Reserve(int n)
{
    if (n <= m_nCapacity)
        return;
    // A byte size that doesn't fit in 32 bits counts as an allocation failure.
    if (n < 0 || n > (int)(0x7FFFFFFF / 4) - CAPACITY_STEP)
        AfxThrowMemoryException();
    int nCapacity = (n + CAPACITY_STEP - 1) / CAPACITY_STEP * CAPACITY_STEP;
    uint32_t* p = new uint32_t[nCapacity];
    if (m_nLength > 0)
        memcpy(p, m_pWords, sizeof(uint32_t) * m_nLength);
    delete[] m_pWords;
    m_pWords = p;
    m_nCapacity = nCapacity;
}

void CBigNum::Resize(int n, BOOL bZeroFill)
{
    if (n < 0)
        AfxThrowInvalidArgException();
    Reserve(n);
    if (bZeroFill && n > m_nLength)
        memset(m_pWords + m_nLength, 0, sizeof(uint32_t) * (n - m_nLength));
    m_nLength = n;
}

int CBigNum::PushWord(uint32_t w)
{
    Reserve(m_nLength + 1);
    m_pWords[m_nLength] = w;
    return m_nLength++;
}

void CBigNum::SetZero() { SetWord(0); }

void CBigNum::SetOne() { SetWord(1); }

void CBigNum::SetWord(uint32_t w)
{
    m_pWords[0] = w;  // the capacity is never below 128
    m_nLength = 1;
}

void CBigNum::SetBytesLE(const BYTE* pBytes, int n)
{
    if (n < 0)
        AfxThrowInvalidArgException();
    int nWords = (n + 3) / 4;
    Reserve(nWords);
    memset(m_pWords, 0, sizeof(uint32_t) * nWords);
    for (int i = 0; i < n; ++i)
        m_pWords[i / 4] |= (uint32_t)pBytes[i] << (8 * (i % 4));
    m_nLength = nWords;
}

void CBigNum::FromBytesBE(const BYTE* pBytes, int n)
{
    if (n < 0)
        AfxThrowInvalidArgException();
    int nWords = n == 0 ? 1 : (n + 3) / 4;
    Reserve(nWords);
    memset(m_pWords, 0, sizeof(uint32_t) * nWords);
    // The last byte is the lowest byte of word 0.
    for (int i = 0; i < n; ++i)
    {
        int k = n - 1 - i;
        m_pWords[k / 4] |= (uint32_t)pBytes[i] << (8 * (k % 4));
    }
    m_nLength = nWords;
}

void CBigNum::FromByteArray(const CByteArray& bytes)
{
    INT_PTR n = bytes.GetSize();
    if (n > 0x7FFFFFFF - 3)
        AfxThrowMemoryException();
    FromBytesBE(bytes.GetData(), (int)n);
}

void CBigNum::ToByteArray(CByteArray& bytes) const
{
    int n = m_nLength > 0 ? SignificantLength(m_pWords, m_nLength) : 0;
    bytes.SetSize(4 * (INT_PTR)n);
    BYTE* p = bytes.GetData();
    for (int w = 0; w < n; ++w)
    {
        uint32_t v = m_pWords[n - 1 - w];
        p[4 * w] = (BYTE)(v >> 24);
        p[4 * w + 1] = (BYTE)(v >> 16);
        p[4 * w + 2] = (BYTE)(v >> 8);
        p[4 * w + 3] = (BYTE)v;
    }
}

void CBigNum::Copy(const CBigNum& other)
{
    if (&other == this)
        return;
    Reserve(other.m_nLength);
    if (other.m_nLength > 0)
        memcpy(m_pWords, other.m_pWords, sizeof(uint32_t) * other.m_nLength);
    m_nLength = other.m_nLength;
}

void CBigNum::Add(const CBigNum& other)
{
    int nOther = other.m_nLength;
    if (nOther > m_nLength)
        Resize(nOther, TRUE);
    const uint32_t* b = other.m_pWords;  // read after any reallocation (other may be this)
    uint32_t* a = m_pWords;
    uint64_t carry = 0;
    int i = 0;
    for (; i < nOther; ++i)
    {
        carry += (uint64_t)a[i] + b[i];
        a[i] = (uint32_t)carry;
        carry >>= 32;
    }
    for (; carry && i < m_nLength; ++i)
    {
        carry += a[i];
        a[i] = (uint32_t)carry;
        carry >>= 32;
    }
    if (carry)
        PushWord(1);
}

void CBigNum::AddWord(uint32_t w)
{
    if (m_nLength == 0)
    {
        SetWord(w);
        return;
    }
    uint64_t carry = w;
    for (int i = 0; carry && i < m_nLength; ++i)
    {
        carry += m_pWords[i];
        m_pWords[i] = (uint32_t)carry;
        carry >>= 32;
    }
    if (carry)
        PushWord(1);
}

void CBigNum::Sub(const CBigNum& other)
{
    int nOther = other.m_nLength;
    if (nOther > m_nLength)
        Resize(nOther, TRUE);
    const uint32_t* b = other.m_pWords;
    uint32_t* a = m_pWords;
    uint32_t borrow = 0;
    int i = 0;
    for (; i < nOther; ++i)
    {
        uint64_t d = (uint64_t)a[i] - b[i] - borrow;
        a[i] = (uint32_t)d;
        borrow = (uint32_t)(d >> 63);
    }
    for (; borrow && i < m_nLength; ++i)
    {
        borrow = a[i] == 0;
        a[i] -= 1;
    }
    // A borrow out of the top word is dropped: the caller guarantees this >= other.
    Normalize();
}

void CBigNum::Mul(const CBigNum& other)
{
    int na = m_nLength, nb = other.m_nLength;
    int n = na + nb;
    CWordScratch scratch(n);
    uint32_t* t = scratch.Get();
    memset(t, 0, sizeof(uint32_t) * n);
    const uint32_t* a = m_pWords;
    const uint32_t* b = other.m_pWords;
    for (int i = 0; i < na; ++i)
    {
        uint64_t ai = a[i];
        if (ai == 0)
            continue;
        uint64_t carry = 0;
        for (int j = 0; j < nb; ++j)
        {
            carry += ai * b[j] + t[i + j];
            t[i + j] = (uint32_t)carry;
            carry >>= 32;
        }
        t[i + nb] = (uint32_t)carry;
    }
    Reserve(n);
    memcpy(m_pWords, t, sizeof(uint32_t) * n);
    m_nLength = n;
    Normalize();
}

void CBigNum::Square()
{
    int na = m_nLength;
    int n = 2 * na;
    CWordScratch scratch(n);
    uint32_t* t = scratch.Get();
    memset(t, 0, sizeof(uint32_t) * n);
    const uint32_t* a = m_pWords;
    // Cross products a[i] a[j] for i < j once, then doubled with one shift,
    // then the squares a[i]^2 at 2i: half the word products of Mul.
    for (int i = 0; i < na; ++i)
    {
        uint64_t ai = a[i];
        uint64_t carry = 0;
        for (int j = i + 1; j < na; ++j)
        {
            carry += ai * a[j] + t[i + j];
            t[i + j] = (uint32_t)carry;
            carry >>= 32;
        }
        t[i + na] = (uint32_t)carry;
    }
    uint32_t top = 0;
    for (int k = 0; k < n; ++k)
    {
        uint32_t w = t[k];
        t[k] = (w << 1) | top;
        top = w >> 31;
    }
    uint64_t carry = 0;
    for (int i = 0; i < na; ++i)
    {
        uint64_t sq = (uint64_t)a[i] * a[i];
        carry += (uint64_t)t[2 * i] + (uint32_t)sq;
        t[2 * i] = (uint32_t)carry;
        carry >>= 32;
        carry += (uint64_t)t[2 * i + 1] + (uint32_t)(sq >> 32);
        t[2 * i + 1] = (uint32_t)carry;
        carry >>= 32;
    }
    Reserve(n);
    memcpy(m_pWords, t, sizeof(uint32_t) * n);
    m_nLength = n;
    Normalize();
}

void CBigNum::MulWord(const CBigNum& other, uint32_t w)
{
    int n = other.m_nLength;
    Reserve(n + 1);
    const uint32_t* a = other.m_pWords;  // after Reserve: other may be this
    uint64_t carry = 0;
    for (int i = 0; i < n; ++i)
    {
        carry += (uint64_t)a[i] * w;
        m_pWords[i] = (uint32_t)carry;
        carry >>= 32;
    }
    m_pWords[n] = (uint32_t)carry;
    m_nLength = n + 1;
}

void CBigNum::SubShifted(const CBigNum& other, int k)
{
    uint32_t* a = m_pWords;
    const uint32_t* b = other.m_pWords;
    uint32_t borrow = 0;
    int i = k;
    for (int j = 0; j < other.m_nLength && i < m_nLength; ++j, ++i)
    {
        uint64_t d = (uint64_t)a[i] - b[j] - borrow;
        a[i] = (uint32_t)d;
        borrow = (uint32_t)(d >> 63);
    }
    for (; borrow && i < m_nLength; ++i)
    {
        borrow = a[i] == 0;
        a[i] -= 1;
    }
}

int CBigNum::Compare(const CBigNum& a, const CBigNum& b)
{
    int na = SignificantLength(a.m_pWords, a.m_nLength);
    int nb = SignificantLength(b.m_pWords, b.m_nLength);
    if (na != nb)
        return na < nb ? -1 : 1;
    for (int i = na - 1; i >= 0; --i)
    {
        if (a.m_pWords[i] != b.m_pWords[i])
            return a.m_pWords[i] < b.m_pWords[i] ? -1 : 1;
    }
    return 0;
}

void CBigNum::DivMod(const CBigNum& dividend, CBigNum& quotient, const CBigNum& divisor, CBigNum& remainder)
{
    if (divisor.IsZero())
        throw CDivideByZeroException();

    // Work on temporaries so that the outputs may alias the inputs.
    CBigNum Q, R, D;
    R.Copy(dividend);
    D.Copy(divisor);
    Q.SetZero();

    int c = Compare(R, D);
    if (c < 0)
    {
        quotient.Copy(Q);
        remainder.Copy(R);
        return;
    }
    if (c == 0)
    {
        quotient.SetOne();
        remainder.SetZero();
        return;
    }

    int nBits = D.BitLength();
    if (nBits <= 32)
    {
        // Short division by the single significant word.
        uint32_t d = D.m_pWords[0];
        int n = R.m_nLength;
        Q.Resize(n, TRUE);
        uint32_t* r = R.m_pWords;
        uint32_t* q = Q.m_pWords;
        q[n - 1] = r[n - 1] / d;
        r[n - 1] %= d;
        for (int j = n - 2; j >= 0; --j)
        {
            uint64_t v = ((uint64_t)r[j + 1] << 32) | r[j];
            q[j] = (uint32_t)(v / d);
            r[j] = (uint32_t)(v % d);
            r[j + 1] = 0;
        }
        Q.Normalize();
        R.Normalize();
        quotient.Copy(Q);
        remainder.Copy(R);
        return;
    }

    // Knuth's algorithm D with the divisor's top bit shifted into place.
    int s = (32 - nBits % 32) % 32;
    if (s != 0)
    {
        R.ShiftLeft(s);
        D.ShiftLeft(s);
    }
    D.Normalize();
    R.Normalize();
    int m = D.m_nLength;
    if (R.m_pWords[R.m_nLength - 1] >= D.m_pWords[m - 1])
        R.PushWord(0);
    int k = R.m_nLength - m;
    Q.Resize(k, FALSE);
    memset(Q.m_pWords, 0, sizeof(uint32_t) * k);

    const uint32_t dTop = D.m_pWords[m - 1];
    const uint32_t dNext = D.m_pWords[m - 2];
    CBigNum P;
    for (int j = k - 1; j >= 0; --j)
    {
        const uint32_t* r = R.m_pWords;
        uint32_t r2 = r[j + m], r1 = r[j + m - 1], r0 = r[j + m - 2];
        uint64_t q;
        if (r2 >= dTop)
            q = 0xFFFFFFFFu;
        else
            q = (((uint64_t)r2 << 32) | r1) / dTop;
        // Lower q while q * (dTop:dNext) exceeds the three words r2:r1:r0.
        for (;;)
        {
            uint64_t lo = q * dNext;
            uint64_t hi = q * dTop;
            uint32_t p0 = (uint32_t)lo;
            uint64_t t = (lo >> 32) + (uint32_t)hi;
            uint32_t p1 = (uint32_t)t;
            uint64_t p2 = (hi >> 32) + (t >> 32);
            bool bGreater = p2 != r2 ? p2 > r2 : p1 != r1 ? p1 > r1 : p0 > r0;
            if (!bGreater)
                break;
            --q;
        }
        P.MulWord(D, (uint32_t)q);
        // P against the window R[j .. j+m], from the top word down.
        int cmp = 0;
        for (int i = m; i >= 0 && cmp == 0; --i)
        {
            uint32_t pw = i < P.m_nLength ? P.m_pWords[i] : 0;
            uint32_t rw = R.m_pWords[j + i];
            if (pw != rw)
                cmp = pw > rw ? 1 : -1;
        }
        if (cmp > 0)
        {
            P.Sub(D);
            --q;
        }
        Q.m_pWords[j] = (uint32_t)q;
        R.SubShifted(P, j);
    }
    if (s != 0)
        R.ShiftRight(s);
    quotient.Copy(Q);
    remainder.Copy(R);
}

void CBigNum::Mod(const CBigNum& divisor)
{
    CBigNum q, r;
    DivMod(*this, q, divisor, r);
    Copy(r);
}

void CBigNum::ShiftRight(int bits)
{
    if (bits < 0)
        AfxThrowInvalidArgException();
    int nWords = bits / 32, nBits = bits % 32;
    if (nWords >= m_nLength)
    {
        SetZero();
        return;
    }
    int n = m_nLength - nWords;
    uint32_t* p = m_pWords;
    if (nBits == 0)
    {
        memmove(p, p + nWords, sizeof(uint32_t) * n);
    }
    else
    {
        for (int i = 0; i < n; ++i)
        {
            uint32_t lo = p[i + nWords] >> nBits;
            uint32_t hi = i + nWords + 1 < m_nLength ? p[i + nWords + 1] << (32 - nBits) : 0;
            p[i] = lo | hi;
        }
    }
    m_nLength = n;
    Normalize();
}

void CBigNum::ShiftLeft(int bits)
{
    if (bits < 0)
        AfxThrowInvalidArgException();
    int nWords = bits / 32, nBits = bits % 32;
    int nOld = m_nLength;
    int n = nOld + nWords + (nBits != 0 ? 1 : 0);
    Reserve(n);
    uint32_t* p = m_pWords;
    if (nBits == 0)
    {
        memmove(p + nWords, p, sizeof(uint32_t) * nOld);
    }
    else
    {
        p[nOld + nWords] = 0;
        for (int i = nOld - 1; i >= 0; --i)
        {
            p[i + nWords + 1] |= p[i] >> (32 - nBits);
            p[i + nWords] = p[i] << nBits;
        }
    }
    memset(p, 0, sizeof(uint32_t) * nWords);
    m_nLength = n;
    if (m_nLength == 0)
        SetZero();
    Normalize();
}

void CBigNum::SetBit(int i)
{
    if (i < 0)
        AfxThrowInvalidArgException();
    int w = i / 32;
    if (w >= m_nLength)
        Resize(w + 1, TRUE);
    m_pWords[w] |= 1u << (i % 32);
}

void CBigNum::ClearBit(int i)
{
    if (i >= 0 && i / 32 < m_nLength)
        m_pWords[i / 32] &= ~(1u << (i % 32));
}

BOOL CBigNum::TestBit(int i) const
{
    if (i < 0 || i / 32 >= m_nLength)
        return FALSE;
    return (m_pWords[i / 32] >> (i % 32)) & 1;
}

void CBigNum::FromString(const CString& text)
{
    // Digits of one base from the start; the first other character ends the number.
    LPCWSTR p = text.GetString();
    int n = text.GetLength();
    SetZero();
    int i = 0;
    if (n >= 1 && p[0] == L'0')
    {
        if (n >= 2 && (p[1] == L'x' || p[1] == L'X'))
        {
            for (i = 2; i < n; ++i)
            {
                wchar_t ch = p[i];
                uint32_t d;
                if (ch >= L'0' && ch <= L'9')
                    d = ch - L'0';
                else if (ch >= L'a' && ch <= L'f')
                    d = ch - L'a' + 10;
                else if (ch >= L'A' && ch <= L'F')
                    d = ch - L'A' + 10;
                else
                    break;
                ShiftLeft(4);
                AddWord(d);
            }
        }
        else
        {
            for (i = 1; i < n && p[i] >= L'0' && p[i] <= L'7'; ++i)
            {
                ShiftLeft(3);
                AddWord((uint32_t)(p[i] - L'0'));
            }
        }
    }
    else
    {
        for (i = 0; i < n && p[i] >= L'0' && p[i] <= L'9'; ++i)
        {
            MulWord(*this, 10);
            Normalize();
            AddWord((uint32_t)(p[i] - L'0'));
        }
    }
    Normalize();
}

void CBigNum::FromString(LPCWSTR pszText) { FromString(CString(pszText != nullptr ? pszText : L"")); }

CString CBigNum::ToHexString() const
{
    static const wchar_t kDigits[] = L"0123456789abcdef";
    CString text;
    if (m_nLength == 0)
        return text;
    LPWSTR p = text.GetBufferSetLength(8 * m_nLength);
    for (int w = 0; w < m_nLength; ++w)
    {
        uint32_t v = m_pWords[m_nLength - 1 - w];
        for (int k = 7; k >= 0; --k)
        {
            p[8 * w + k] = kDigits[v & 15];
            v >>= 4;
        }
    }
    text.ReleaseBuffer(8 * m_nLength);
    return text;
}

BOOL CBigNum::IsDivisibleByFermatPrime() const
{
    // The word sum with end-around carry is the value modulo 2^32 - 1,
    // which is 3 * 5 * 17 * 257 * 65537.
    uint64_t s = 0;
    for (int i = 0; i < m_nLength; ++i)
    {
        s += m_pWords[i];
        s = (s & 0xFFFFFFFFu) + (s >> 32);
    }
    while (s >> 32)
        s = (s & 0xFFFFFFFFu) + (s >> 32);
    uint32_t v = (uint32_t)s;
    return v % 3 == 0 || v % 5 == 0 || v % 17 == 0 || v % 257 == 0 || v % 65537 == 0;
}

BOOL CBigNum::PowModPlain(CBigNum& result, const CBigNum& base, const CBigNum& exponent, const CBigNum& modulus)
{
    if (modulus.IsZero())
        return FALSE;
    CBigNum r, b, e;
    r.SetWord(1);
    b.Copy(base);
    e.Copy(exponent);
    e.Normalize();
    if (!e.IsZero())
    {
        int nBits = e.BitLength();
        for (int i = 0; i < nBits; ++i)
        {
            if (e.m_pWords[0] & 1)
            {
                r.Mul(b);
                r.Mod(modulus);
            }
            b.Square();
            b.Mod(modulus);
            e.ShiftRight(1);
        }
    }
    result.Copy(r);
    return TRUE;
}

BOOL CBigNum::PowMod(CBigNum& result, const CBigNum& base, const CBigNum& exponent, const CBigNum& modulus)
{
    if (modulus.IsZero())
        return FALSE;
    // Montgomery form needs an odd modulus; every modulus of the key
    // generation, the prime search and RSA is odd. The value is the same as
    // PowModPlain's (which the tests check), only the result is normalised.
    if (!modulus.IsOdd() || modulus.IsOne() || exponent.IsZero())
    {
        PowModPlain(result, base, exponent, modulus);
        result.Normalize();
        return TRUE;
    }
    CMontgomery mont;
    mont.Init(modulus);
    mont.PowMod(result, base, exponent);
    return TRUE;
}

BOOL CBigNum::IsZero() const
{
    for (int i = 0; i < m_nLength; ++i)
    {
        if (m_pWords[i] != 0)
            return FALSE;
    }
    return TRUE;
}

BOOL CBigNum::IsOne() const
{
    if (m_nLength < 1 || m_pWords[0] != 1)
        return FALSE;
    for (int i = 1; i < m_nLength; ++i)
    {
        if (m_pWords[i] != 0)
            return FALSE;
    }
    return TRUE;
}

int CBigNum::BitLength() const
{
    if (m_nLength == 0)
        return 0;
    int n = SignificantLength(m_pWords, m_nLength);
    return 32 * (n - 1) + BitLengthOfWord(m_pWords[n - 1]);
}

void CBigNum::Normalize()
{
    if (m_nLength == 0)
        return;
    m_nLength = SignificantLength(m_pWords, m_nLength);
}

void CBigNum::Decrement()
{
    for (int i = 0; i < m_nLength; ++i)
    {
        if (m_pWords[i]-- != 0)
            break;
    }
}
