// One small linear congruential generator: the runtime library's classic
// rand() (multiplier 214013, increment 2531011, bits 16 to 30 of the state).
// Written out here so that stored values and peers never depend on a C runtime.
#pragma once

#include <stdint.h>

class CMRand
{
public:
    enum : uint32_t
    {
        MULTIPLIER = 214013u,
        INCREMENT = 2531011u
    };

    CMRand() : m_nState(1) {}
    explicit CMRand(uint32_t nSeed) : m_nState(nSeed) {}
    virtual ~CMRand() {}

    // One step; a value from 0 to 32767.
    uint32_t Next()
    {
        m_nState = m_nState * MULTIPLIER + INCREMENT;
        return (m_nState >> 16) & 0x7FFF;
    }

    uint32_t m_nState;
};
