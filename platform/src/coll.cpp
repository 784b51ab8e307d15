#include "platform/coll.h"

#include "platform/exceptions.h"

#include <new>

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
        if (c == base)
            return TRUE;
    return FALSE;
}

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                             nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const {
    return const_cast<CRuntimeClass*>(&classCObject);
}

CObject::~CObject() = default;
void CObject::Serialize(CArchive&) {}
void CObject::AssertValid() const {}
void CObject::Dump(CDumpContext&) const {}

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

const CRuntimeClass CPtrList::classCPtrList = {"CPtrList", static_cast<int>(sizeof(CPtrList)),
                                               0xFFFF, &CObject::classCObject};

CRuntimeClass* CPtrList::GetRuntimeClass() const {
    return const_cast<CRuntimeClass*>(&classCPtrList);
}

// A block of nodes; the nodes follow the header in the same allocation.
struct CPtrList::CPlex {
    CPlex* next;
};

CPtrList::CPtrList(int nBlockSize) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}

CPtrList::~CPtrList() {
    RemoveAll();
}

CPtrList::CNode* CPtrList::Node(POSITION position) {
    if (position == nullptr)
        AfxThrowNotSupportedException("CPtrList: null position");
    return reinterpret_cast<CNode*>(position);
}

CPtrList::CNode* CPtrList::NewNode(CNode* prev, CNode* next) {
    if (m_pNodeFree == nullptr) {
        std::size_t count = static_cast<std::size_t>(m_nBlockSize);
        void* raw = ::operator new(sizeof(CPlex) + count * sizeof(CNode));
        CPlex* block = static_cast<CPlex*>(raw);
        block->next = m_pBlocks;
        m_pBlocks = block;
        CNode* nodes = reinterpret_cast<CNode*>(block + 1);
        for (std::size_t i = count; i-- > 0;) {
            nodes[i].pNext = m_pNodeFree;
            m_pNodeFree = &nodes[i];
        }
    }
    CNode* node = m_pNodeFree;
    m_pNodeFree = node->pNext;
    node->pPrev = prev;
    node->pNext = next;
    node->data = nullptr;
    ++m_nCount;
    return node;
}

void CPtrList::FreeNode(CNode* node) {
    node->pNext = m_pNodeFree;
    m_pNodeFree = node;
    if (--m_nCount == 0)
        RemoveAll();
}

void*& CPtrList::GetHead() {
    if (m_pNodeHead == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no head");
    return m_pNodeHead->data;
}

void* CPtrList::GetHead() const {
    if (m_pNodeHead == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no head");
    return m_pNodeHead->data;
}

void*& CPtrList::GetTail() {
    if (m_pNodeTail == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no tail");
    return m_pNodeTail->data;
}

void* CPtrList::GetTail() const {
    if (m_pNodeTail == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no tail");
    return m_pNodeTail->data;
}

void* CPtrList::RemoveHead() {
    CNode* old = m_pNodeHead;
    if (old == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no head");
    void* element = old->data;
    m_pNodeHead = old->pNext;
    if (m_pNodeHead != nullptr)
        m_pNodeHead->pPrev = nullptr;
    else
        m_pNodeTail = nullptr;
    FreeNode(old);
    return element;
}

void* CPtrList::RemoveTail() {
    CNode* old = m_pNodeTail;
    if (old == nullptr)
        AfxThrowNotSupportedException("CPtrList: empty list has no tail");
    void* element = old->data;
    m_pNodeTail = old->pPrev;
    if (m_pNodeTail != nullptr)
        m_pNodeTail->pNext = nullptr;
    else
        m_pNodeHead = nullptr;
    FreeNode(old);
    return element;
}

POSITION CPtrList::AddHead(void* element) {
    CNode* node = NewNode(nullptr, m_pNodeHead);
    node->data = element;
    if (m_pNodeHead != nullptr)
        m_pNodeHead->pPrev = node;
    else
        m_pNodeTail = node;
    m_pNodeHead = node;
    return reinterpret_cast<POSITION>(node);
}

POSITION CPtrList::AddTail(void* element) {
    CNode* node = NewNode(m_pNodeTail, nullptr);
    node->data = element;
    if (m_pNodeTail != nullptr)
        m_pNodeTail->pNext = node;
    else
        m_pNodeHead = node;
    m_pNodeTail = node;
    return reinterpret_cast<POSITION>(node);
}

void CPtrList::RemoveAll() {
    m_nCount = 0;
    m_pNodeHead = m_pNodeTail = m_pNodeFree = nullptr;
    while (m_pBlocks != nullptr) {
        CPlex* next = m_pBlocks->next;
        ::operator delete(m_pBlocks);
        m_pBlocks = next;
    }
}

void*& CPtrList::GetNext(POSITION& position) {
    CNode* node = Node(position);
    position = reinterpret_cast<POSITION>(node->pNext);
    return node->data;
}

void* CPtrList::GetNext(POSITION& position) const {
    CNode* node = Node(position);
    position = reinterpret_cast<POSITION>(node->pNext);
    return node->data;
}

void*& CPtrList::GetPrev(POSITION& position) {
    CNode* node = Node(position);
    position = reinterpret_cast<POSITION>(node->pPrev);
    return node->data;
}

void* CPtrList::GetPrev(POSITION& position) const {
    CNode* node = Node(position);
    position = reinterpret_cast<POSITION>(node->pPrev);
    return node->data;
}

void*& CPtrList::GetAt(POSITION position) {
    return Node(position)->data;
}

void* CPtrList::GetAt(POSITION position) const {
    return Node(position)->data;
}

void CPtrList::SetAt(POSITION position, void* element) {
    Node(position)->data = element;
}

void CPtrList::RemoveAt(POSITION position) {
    CNode* old = Node(position);
    if (old == m_pNodeHead)
        m_pNodeHead = old->pNext;
    else
        old->pPrev->pNext = old->pNext;
    if (old == m_pNodeTail)
        m_pNodeTail = old->pPrev;
    else
        old->pNext->pPrev = old->pPrev;
    FreeNode(old);
}

POSITION CPtrList::InsertBefore(POSITION position, void* element) {
    if (position == nullptr)
        return AddHead(element);
    CNode* old = Node(position);
    CNode* node = NewNode(old->pPrev, old);
    node->data = element;
    if (old->pPrev != nullptr)
        old->pPrev->pNext = node;
    else
        m_pNodeHead = node;
    old->pPrev = node;
    return reinterpret_cast<POSITION>(node);
}

POSITION CPtrList::InsertAfter(POSITION position, void* element) {
    if (position == nullptr)
        return AddTail(element);
    CNode* old = Node(position);
    CNode* node = NewNode(old, old->pNext);
    node->data = element;
    if (old->pNext != nullptr)
        old->pNext->pPrev = node;
    else
        m_pNodeTail = node;
    old->pNext = node;
    return reinterpret_cast<POSITION>(node);
}

POSITION CPtrList::Find(void* element, POSITION startAfter) const {
    CNode* node = startAfter == nullptr ? m_pNodeHead : Node(startAfter)->pNext;
    for (; node != nullptr; node = node->pNext)
        if (node->data == element)
            return reinterpret_cast<POSITION>(node);
    return nullptr;
}

POSITION CPtrList::FindIndex(int index) const {
    if (index < 0 || index >= m_nCount)
        return nullptr;
    CNode* node = m_pNodeHead;
    while (index-- > 0)
        node = node->pNext;
    return reinterpret_cast<POSITION>(node);
}
