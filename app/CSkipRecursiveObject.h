#pragma once
#include "afx/Afx.h"

// Re-entry guard for UI handlers that run modal loops: the first holder of the
// counter does the work, a request that arrives meanwhile (through that modal
// loop) sees m_bEntered 0 and drops itself.
class CSkipRecursiveObject
{
public:
    explicit CSkipRecursiveObject(LONG* pCounter);
    virtual ~CSkipRecursiveObject();
    CSkipRecursiveObject(const CSkipRecursiveObject&) = delete;
    CSkipRecursiveObject& operator=(const CSkipRecursiveObject&) = delete;

    LONG* m_pCounter;
    BOOL m_bEntered;  // this guard is the first holder
};
