#pragma once
// The state of one prime search of the key generation: its seed, generator,
// result and the counters the progress dialog shows.

#include "crypto/CBigNum.h"
#include "crypto/CPrimeGen.h"

class CPrimeThreadParam
{
public:
    CPrimeThreadParam();
    virtual ~CPrimeThreadParam();

    BYTE m_abSeed[256];             // filled from rand_s before the search starts
    CPrimeGen m_gen;
    CBigNum m_bnPrime;
    // Written by the search thread, read by the dialog's timer.
    volatile LONG m_nCandidates;
    volatile LONG m_nRoundsPassed;
    volatile BOOL m_bFound;

private:
    CPrimeThreadParam(const CPrimeThreadParam&) = delete;
    CPrimeThreadParam& operator=(const CPrimeThreadParam&) = delete;
};
