#include "crypto/SecureRandom.h"

#include <stdlib.h>
#include <string.h>

namespace {
// Written by tests while no other thread draws; read by any thread.
PFN_RAND_S g_pfnRandS = &rand_s;
}  // namespace

PFN_RAND_S SetSecureRandomSource(PFN_RAND_S pfn)
{
    PFN_RAND_S pfnOld = g_pfnRandS;
    g_pfnRandS = pfn != nullptr ? pfn : &rand_s;
    return pfnOld;
}

BOOL SecureRandomWord(uint32_t& nValue)
{
    unsigned int v = 0;
    if (g_pfnRandS(&v) != 0)
        return FALSE;
    nValue = v;
    return TRUE;
}

BOOL SecureRandomFill(BYTE* pBytes, int nBytes, BOOL bNonZeroWords)
{
    if (pBytes == nullptr || nBytes < 0 || nBytes % 4 != 0)
        return FALSE;
    for (int i = 0; i < nBytes; i += 4)
    {
        uint32_t v = 0;
        // A working source gives 0 once in 2^32 draws; a source that keeps
        // giving 0 is broken.
        int nTries = 0;
        do
        {
            if (!SecureRandomWord(v) || ++nTries > 16)
            {
                memset(pBytes, 0, (size_t)nBytes);
                return FALSE;
            }
        } while (bNonZeroWords && v == 0);
        pBytes[i] = (BYTE)v;
        pBytes[i + 1] = (BYTE)(v >> 8);
        pBytes[i + 2] = (BYTE)(v >> 16);
        pBytes[i + 3] = (BYTE)(v >> 24);
    }
    return TRUE;
}
