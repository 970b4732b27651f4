// Speed of the keystream, the prime search and the modular exponentiation.
// Prints "key value" lines; bench/crypto_bench.sh puts them beside OpenSSL's
// figures. Not a test: nothing here fails on a slow machine.
#include "afx/Afx.h"
#include "crypto/CBigNum.h"
#include "crypto/CGRand.h"
#include "crypto/CMRand.h"
#include "crypto/CPrimeGen.h"

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

// The keystream written the plain way, kept as the yardstick: an array of
// generator objects on the heap, the next index by a division by the count.
class PlainReferenceGenerator
{
public:
    PlainReferenceGenerator() : m_pGens(nullptr), m_nCount(0), m_nCurrent(0) {}
    ~PlainReferenceGenerator()
    {
        for (int i = 0; i < m_nCount; ++i)
            delete m_pGens[i];
        delete[] m_pGens;
    }
    void Seed(const BYTE* data, int len)
    {
        m_nCount = (len + 3) / 4;
        m_pGens = new CMRand*[m_nCount];
        m_nCurrent = 0;
        for (int i = 0; i < m_nCount; ++i)
        {
            m_pGens[i] = new CMRand;
            uint32_t v = 0;
            for (int j = 4 * i; j < len; ++j)
                v = (v << 8) + data[j];
            m_pGens[i]->m_nState = v;
            m_nCurrent ^= (int)m_pGens[i]->Next();
        }
        m_nCurrent %= m_nCount;
    }
    BYTE NextByte()
    {
        uint32_t acc = 0;
        for (int k = 0; k < 2; ++k)
        {
            if (m_nCurrent < 0 || m_nCurrent >= m_nCount)
                AfxThrowInvalidArgException();
            uint32_t o = m_pGens[m_nCurrent]->Next();
            m_nCurrent = (int)(o % (uint32_t)m_nCount);
            acc ^= o;
        }
        return (BYTE)acc;
    }

private:
    CMRand** m_pGens;
    int m_nCount;
    int m_nCurrent;
};

double Now()
{
    static LARGE_INTEGER freq;
    if (freq.QuadPart == 0)
        QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)freq.QuadPart;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Material(std::vector<BYTE>& m, int len, uint32_t salt)
{
    m.resize((size_t)len);
    uint32_t x = 0x2545F491u ^ (salt * 0x9E3779B9u);
    for (int i = 0; i < len; ++i)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        m[(size_t)i] = (BYTE)x;
    }
}

void BenchKeystream(int nGenerators)
{
    const size_t kBytes = 16u << 20;
    const int kRuns = 5;
    std::vector<BYTE> plain(kBytes), fast(kBytes), single(kBytes), zero(kBytes, 0);
    std::vector<double> tPlain, tXor, tNext;
    bool identical = true;
    for (int run = 0; run < kRuns; ++run)
    {
        std::vector<BYTE> m;
        Material(m, 4 * nGenerators, (uint32_t)run + 1);

        PlainReferenceGenerator ref;
        ref.Seed(m.data(), (int)m.size());
        double t0 = Now();
        for (size_t i = 0; i < kBytes; ++i)
            plain[i] = ref.NextByte();
        tPlain.push_back(Now() - t0);

        CGRand g;
        g.Seed(m.data(), (int)m.size());
        t0 = Now();
        // in 64 KB chunks, the way the socket layer enciphers
        for (size_t pos = 0; pos < kBytes; pos += 65536)
            g.Xor(&fast[pos], &zero[pos], std::min<size_t>(65536, kBytes - pos));
        tXor.push_back(Now() - t0);

        CGRand h;
        h.Seed(m.data(), (int)m.size());
        t0 = Now();
        for (size_t i = 0; i < kBytes; ++i)
            single[i] = h.NextByte();
        tNext.push_back(Now() - t0);

        identical = identical && memcmp(plain.data(), fast.data(), kBytes) == 0 &&
                    memcmp(plain.data(), single.data(), kBytes) == 0;
    }
    // MB of 2^20 bytes, as every bench counts them.
    double mb = (double)kBytes / (1 << 20);
    double plainRate = mb / Median(tPlain), xorRate = mb / Median(tXor), nextRate = mb / Median(tNext);
    printf("keystream_%d_plain_reference_MBps %.1f\n", nGenerators, plainRate);
    printf("keystream_%d_cgrand_xor_MBps %.1f\n", nGenerators, xorRate);
    printf("keystream_%d_cgrand_nextbyte_MBps %.1f\n", nGenerators, nextRate);
    printf("keystream_%d_speedup_xor %.2f\n", nGenerators, xorRate / plainRate);
    printf("keystream_%d_speedup_nextbyte %.2f\n", nGenerators, nextRate / plainRate);
    printf("keystream_%d_identical %s\n", nGenerators, identical ? "yes" : "NO");
    fflush(stdout);
}

void SeedSearch(CPrimeGen& gen, uint32_t salt)
{
    std::vector<BYTE> m;
    Material(m, 256, 1000 + salt);
    gen.m_rand.Seed(m.data(), 256);
}

void BenchPrimeSearch(int nRuns, CBigNum& p, CBigNum& q)
{
    CPrimeGen::BuildSmallPrimeTable();
    std::vector<double> times, cands;
    for (int run = 0; run < nRuns; ++run)
    {
        CPrimeGen gen;
        SeedSearch(gen, (uint32_t)run);
        CBigNum prime;
        std::atomic<LONG> rounds(0), candidates(0);
        std::atomic<BOOL> cancel(FALSE);
        double t0 = Now();
        gen.FindPrime(prime, rounds, candidates, cancel);
        times.push_back(Now() - t0);
        cands.push_back((double)candidates);
        if (run == 0)
            p.Copy(prime);
        if (run == 1)
            q.Copy(prime);
    }
    printf("prime640_runs %d\n", nRuns);
    printf("prime640_median_ms %.2f\n", 1000 * Median(times));
    printf("prime640_min_ms %.2f\n", 1000 * *std::min_element(times.begin(), times.end()));
    printf("prime640_max_ms %.2f\n", 1000 * *std::max_element(times.begin(), times.end()));
    printf("prime640_median_candidates %.0f\n", Median(cands));
    fflush(stdout);
}

void BenchPowMod(const CBigNum& p, const CBigNum& q)
{
    // A real 1280-bit key: n = p q, d = 65537^-1 mod (p-1)(q-1).
    CBigNum n, phi, pm1, qm1, e, d, x, fast, plain;
    n.Copy(p);
    n.Mul(q);
    pm1.Copy(p);
    pm1.Decrement();
    qm1.Copy(q);
    qm1.Decrement();
    phi.Copy(pm1);
    phi.Mul(qm1);
    e.SetWord(65537);
    CBigNum::InvMod(d, e, phi);
    std::vector<BYTE> m;
    Material(m, 160, 77);
    x.SetBytesLE(m.data(), 160);
    x.Mod(n);

    std::vector<double> tFast, tPlain;
    for (int i = 0; i < 41; ++i)
    {
        double t0 = Now();
        CBigNum::PowMod(fast, x, d, n);
        tFast.push_back(Now() - t0);
    }
    for (int i = 0; i < 5; ++i)
    {
        double t0 = Now();
        CBigNum::PowModPlain(plain, x, d, n);
        tPlain.push_back(Now() - t0);
    }
    printf("powmod1280_modulus_bits %d\n", n.BitLength());
    printf("powmod1280_exponent_bits %d\n", d.BitLength());
    printf("powmod1280_median_ms %.3f\n", 1000 * Median(tFast));
    printf("powmod1280_plain_loop_median_ms %.3f\n", 1000 * Median(tPlain));
    printf("powmod1280_identical %s\n", CBigNum::Compare(fast, plain) == 0 ? "yes" : "NO");

    // e = 65537, the sender's side of the key exchange
    std::vector<double> tPub;
    for (int i = 0; i < 201; ++i)
    {
        double t0 = Now();
        CBigNum::PowMod(fast, x, e, n);
        tPub.push_back(Now() - t0);
    }
    printf("powmod1280_e65537_median_ms %.4f\n", 1000 * Median(tPub));

    // 640 bits: one Miller-Rabin round of the prime search
    CBigNum dp;
    dp.Copy(pm1);
    dp.ShiftRight(1);
    std::vector<double> t640;
    for (int i = 0; i < 101; ++i)
    {
        double t0 = Now();
        CBigNum::PowMod(fast, x, dp, p);
        t640.push_back(Now() - t0);
    }
    printf("powmod640_median_ms %.4f\n", 1000 * Median(t640));

    // a full pass of trial division (a prime has no small factor)
    std::vector<double> tTrial;
    for (int i = 0; i < 101; ++i)
    {
        double t0 = Now();
        CPrimeGen::HasSmallPrimeFactor(p);
        tTrial.push_back(Now() - t0);
    }
    printf("trial_division640_median_ms %.4f\n", 1000 * Median(tTrial));
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    int nPrimeRuns = 21;
    if (argc > 1)
        nPrimeRuns = std::max(3, atoi(argv[1]));
    printf("pointer_bits %d\n", (int)(8 * sizeof(void*)));
    try
    {
        BenchKeystream(8);
        BenchKeystream(47);
        CBigNum p, q;
        BenchPrimeSearch(nPrimeRuns, p, q);
        BenchPowMod(p, q);
    }
    catch (CException&)
    {
        printf("error exception\n");
        return 1;
    }
    return 0;
}
