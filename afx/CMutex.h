#pragma once
#include "afx/CSyncObject.h"

class CMutex : public CSyncObject
{
public:
    explicit CMutex(BOOL bInitiallyOwn = FALSE, LPCWSTR lpszName = nullptr,
                    LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);
    BOOL Unlock() override;
};
