#pragma once
// The state of one prime search of the key generation: its seed, generator,
// result and the counters the progress dialog shows.

#include <atomic>

#include "crypto/CBigNum.h"
#include "crypto/CPrimeGen.h"

class CPrimeThreadParam
{
public:
    CPrimeThreadParam();
    virtual ~CPrimeThreadParam();

    BYTE m_abSeed[256];  // filled from rand_s before the search starts
    CPrimeGen m_gen;
    CBigNum m_bnPrime;
    // Written by the search thread, read by the dialog's timer.
    std::atomic<LONG> m_nCandidates;
    std::atomic<LONG> m_nRoundsPassed;
    std::atomic<BOOL> m_bFound;

private:
    CPrimeThreadParam(const CPrimeThreadParam&) = delete;
    CPrimeThreadParam& operator=(const CPrimeThreadParam&) = delete;
};
