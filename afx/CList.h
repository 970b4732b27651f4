#pragma once
#include <windows.h>
#include <utility>
#include "afx/CException.h"

// Opaque iterator of CList: a node of the list, NULL past the end.
struct AFX_POSITION_NODE;
typedef AFX_POSITION_NODE* POSITION;

// Doubly linked list. A NULL position, or a head or tail of an empty list,
// raises CInvalidArgException; allocation failure raises CMemoryException.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList
{
public:
    explicit CList(INT_PTR /*nBlockSize*/ = 10) {}  // nodes are allocated one by one
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    virtual ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return NonEmpty(m_pHead)->data; }

    POSITION GetHeadPosition() const { return ToPos(m_pHead); }
    // Returns the element at rPosition and moves rPosition on (NULL after the last).
    TYPE& GetNext(POSITION& rPosition)
    {
        Node* p = FromPos(rPosition);
        rPosition = ToPos(p->pNext);
        return p->data;
    }

    POSITION AddTail(ARG_TYPE newElement)
    {
        Node* p = new Node(newElement);
        p->pPrev = m_pTail;
        if (m_pTail)
            m_pTail->pNext = p;
        else
            m_pHead = p;
        m_pTail = p;
        ++m_nCount;
        return ToPos(p);
    }

    TYPE RemoveHead()
    {
        Node* p = NonEmpty(m_pHead);
        TYPE value(std::move(p->data));
        Unlink(p);
        return value;
    }
    void RemoveAt(POSITION position) { Unlink(FromPos(position)); }
    void RemoveAll()
    {
        Node* p = m_pHead;
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
        while (p)
        {
            Node* pNext = p->pNext;
            delete p;
            p = pNext;
        }
    }

private:
    struct Node
    {
        explicit Node(ARG_TYPE v) : data(v) {}
        Node* pNext = nullptr;
        Node* pPrev = nullptr;
        TYPE data;
    };

    static POSITION ToPos(Node* p) { return reinterpret_cast<POSITION>(p); }
    static Node* FromPos(POSITION pos)
    {
        if (!pos)
            AfxThrowInvalidArgException();
        return reinterpret_cast<Node*>(pos);
    }
    static Node* NonEmpty(Node* p)
    {
        if (!p)
            AfxThrowInvalidArgException();
        return p;
    }
    void Unlink(Node* p)
    {
        if (p->pPrev)
            p->pPrev->pNext = p->pNext;
        else
            m_pHead = p->pNext;
        if (p->pNext)
            p->pNext->pPrev = p->pPrev;
        else
            m_pTail = p->pPrev;
        --m_nCount;
        delete p;
    }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
};
