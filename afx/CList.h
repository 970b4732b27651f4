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
class CList {
public:
    explicit CList(INT_PTR /*nBlockSize*/ = 10) {}  // nodes are allocated one by one
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    virtual ~CList() { RemoveAll(); }

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    TYPE& GetHead() { return NonEmpty(m_pHead)->data; }
    const TYPE& GetHead() const { return NonEmpty(m_pHead)->data; }
    TYPE& GetTail() { return NonEmpty(m_pTail)->data; }
    const TYPE& GetTail() const { return NonEmpty(m_pTail)->data; }

    POSITION GetHeadPosition() const { return ToPos(m_pHead); }
    POSITION GetTailPosition() const { return ToPos(m_pTail); }
    // Returns the element at rPosition and moves rPosition on (NULL after the last).
    TYPE& GetNext(POSITION& rPosition) {
        Node* p = FromPos(rPosition);
        rPosition = ToPos(p->pNext);
        return p->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const {
        Node* p = FromPos(rPosition);
        rPosition = ToPos(p->pNext);
        return p->data;
    }
    TYPE& GetPrev(POSITION& rPosition) {
        Node* p = FromPos(rPosition);
        rPosition = ToPos(p->pPrev);
        return p->data;
    }
    TYPE& GetAt(POSITION position) { return FromPos(position)->data; }
    const TYPE& GetAt(POSITION position) const { return FromPos(position)->data; }
    void SetAt(POSITION position, ARG_TYPE newElement) { FromPos(position)->data = newElement; }

    POSITION AddHead(ARG_TYPE newElement) {
        Node* p = new Node(newElement);
        p->pNext = m_pHead;
        if (m_pHead) m_pHead->pPrev = p; else m_pTail = p;
        m_pHead = p;
        ++m_nCount;
        return ToPos(p);
    }
    POSITION AddTail(ARG_TYPE newElement) {
        Node* p = new Node(newElement);
        p->pPrev = m_pTail;
        if (m_pTail) m_pTail->pNext = p; else m_pHead = p;
        m_pTail = p;
        ++m_nCount;
        return ToPos(p);
    }

    TYPE RemoveHead() {
        Node* p = NonEmpty(m_pHead);
        TYPE value(std::move(p->data));
        Unlink(p);
        return value;
    }
    TYPE RemoveTail() {
        Node* p = NonEmpty(m_pTail);
        TYPE value(std::move(p->data));
        Unlink(p);
        return value;
    }
    void RemoveAt(POSITION position) { Unlink(FromPos(position)); }
    void RemoveAll() {
        Node* p = m_pHead;
        m_pHead = m_pTail = nullptr;
        m_nCount = 0;
        while (p) {
            Node* pNext = p->pNext;
            delete p;
            p = pNext;
        }
    }

    // First position after startAfter (from the head when NULL) whose element == searchValue.
    POSITION Find(ARG_TYPE searchValue, POSITION startAfter = NULL) const {
        Node* p = startAfter ? FromPos(startAfter)->pNext : m_pHead;
        for (; p; p = p->pNext)
            if (p->data == searchValue) return ToPos(p);
        return NULL;
    }

private:
    struct Node {
        explicit Node(ARG_TYPE v) : data(v) {}
        Node* pNext = nullptr;
        Node* pPrev = nullptr;
        TYPE data;
    };

    static POSITION ToPos(Node* p) { return reinterpret_cast<POSITION>(p); }
    static Node* FromPos(POSITION pos) {
        if (!pos) AfxThrowInvalidArgException();
        return reinterpret_cast<Node*>(pos);
    }
    static Node* NonEmpty(Node* p) {
        if (!p) AfxThrowInvalidArgException();
        return p;
    }
    void Unlink(Node* p) {
        if (p->pPrev) p->pPrev->pNext = p->pNext; else m_pHead = p->pNext;
        if (p->pNext) p->pNext->pPrev = p->pPrev; else m_pTail = p->pPrev;
        --m_nCount;
        delete p;
    }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    INT_PTR m_nCount = 0;
};
