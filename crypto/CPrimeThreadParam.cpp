#include "crypto/CPrimeThreadParam.h"

CPrimeThreadParam::CPrimeThreadParam() : m_nCandidates(0), m_nRoundsPassed(0), m_bFound(FALSE) {}

CPrimeThreadParam::~CPrimeThreadParam() {}
