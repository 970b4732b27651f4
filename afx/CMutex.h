#pragma once
#include "afx/CSyncObject.h"

class CMutex : public CSyncObject {
public:
    explicit CMutex(BOOL bInitiallyOwn = FALSE, LPCWSTR lpszName = NULL,
                    LPSECURITY_ATTRIBUTES lpsaAttribute = NULL);
    BOOL Unlock() override;
};
