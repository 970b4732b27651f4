#pragma once
#include "afx/CSyncObject.h"

class CSemaphore : public CSyncObject
{
public:
    explicit CSemaphore(LONG lInitialCount = 1, LONG lMaxCount = 1, LPCWSTR pstrName = nullptr,
                        LPSECURITY_ATTRIBUTES lpsaAttributes = nullptr);
    BOOL Unlock() override;
    BOOL Unlock(LONG lCount, LPLONG lpPrevCount = nullptr);
};
