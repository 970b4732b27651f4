// Small helpers shared by the crypto tests.
#pragma once

#include "crypto/CBigNum.h"

#include <string>

// value from lower- or upper-case hexadecimal digits (no prefix)
inline void SetHex(CBigNum& n, const wchar_t* hex) { n.FromString(CString(L"0x") + hex); }

// hexadecimal text of the value without leading zero digits ("0" for zero)
inline std::wstring Hex(const CBigNum& n)
{
    std::wstring s = n.ToHexString().GetString();
    size_t i = s.find_first_not_of(L'0');
    return i == std::wstring::npos ? L"0" : s.substr(i);
}

inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// A deterministic stream of test values (not the product's generators).
class CTestRng
{
public:
    explicit CTestRng(uint64_t seed) : m_s(seed ? seed : 1) {}
    uint32_t Next()
    {
        m_s ^= m_s << 13;
        m_s ^= m_s >> 7;
        m_s ^= m_s << 17;
        return (uint32_t)(m_s >> 16);
    }
    // a number of exactly nWords words, with random words
    void Fill(CBigNum& n, int nWords)
    {
        n.Resize(nWords, TRUE);
        n.SetZero();
        for (int i = nWords - 1; i >= 0; --i)
        {
            n.ShiftLeft(32);
            n.AddWord(Next());
        }
    }

private:
    uint64_t m_s;
};
