#include "app/CSkipRecursiveObject.h"

CSkipRecursiveObject::CSkipRecursiveObject(LONG* pCounter) : m_pCounter(pCounter), m_bEntered(FALSE)
{
    if (InterlockedIncrement(m_pCounter) == 1)
        m_bEntered = TRUE;
}

CSkipRecursiveObject::~CSkipRecursiveObject() { InterlockedDecrement(m_pCounter); }
