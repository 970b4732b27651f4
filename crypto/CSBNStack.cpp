#include "crypto/CSBNStack.h"

CSBNStack::~CSBNStack()
{
    for (INT_PTR i = 0; i < m_arrItems.GetSize(); ++i)
        delete m_arrItems[i];
}

void CSBNStack::Push(CSignedBigNum* p)
{
    try
    {
        m_arrItems.Add(p);
    }
    catch (...)
    {
        delete p;  // owned from the call on, even when the array can't grow
        throw;
    }
}

CSignedBigNum* CSBNStack::Pop()
{
    INT_PTR n = m_arrItems.GetSize();
    if (n == 0)
        return nullptr;
    CSignedBigNum* p = m_arrItems[n - 1];
    m_arrItems.RemoveAt(n - 1);
    return p;
}
