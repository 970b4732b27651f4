#pragma once
// Helpers shared by the bench tools, so that they time and measure the same way.

#include "afx/Afx.h"
#include "crypto/CGRand.h"
#include <vector>

// Seconds from the performance counter.
inline double BenchNow()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

// XOR rate of this build's connection keystream in MB/s, seeded as a
// connection's first key is (32 bytes) and run in the pieces the stream
// enciphers at once (1 MB).
inline double KeystreamRate(int nMB)
{
    BYTE seed[32];
    for (int i = 0; i < 32; ++i)
        seed[i] = BYTE(i * 37 + 11);
    CGRand g;
    g.Seed(seed, 32);
    std::vector<BYTE> buf(1 << 20, 0x5A);
    size_t nTotal = size_t(nMB) << 20;
    double t0 = BenchNow();
    for (size_t nDone = 0; nDone < nTotal; nDone += buf.size())
        g.Xor(buf.data(), buf.data(), buf.size());
    return double(nTotal) / (1 << 20) / (BenchNow() - t0);
}
