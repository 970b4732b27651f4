// Owning stack of heap CSignedBigNums: the quotients of the extended Euclid,
// freed by the destructor if an exception leaves some behind.
#pragma once

#include "crypto/CSignedBigNum.h"

class CSBNStack
{
public:
    CSBNStack() {}
    virtual ~CSBNStack();

    void Push(CSignedBigNum* p);  // takes ownership
    CSignedBigNum* Pop();         // hands ownership back; NULL when empty
    BOOL IsEmpty() const { return m_arrItems.IsEmpty(); }
    INT_PTR GetSize() const { return m_arrItems.GetSize(); }

private:
    CSBNStack(const CSBNStack&) = delete;
    CSBNStack& operator=(const CSBNStack&) = delete;

    CArray<CSignedBigNum*, CSignedBigNum*> m_arrItems;  // bottom first
};
