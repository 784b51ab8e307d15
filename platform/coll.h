// CObject, run-time class information and CPtrList, the framework's list of pointers.
#pragma once

#include "platform/afxdefs.h"

class CArchive;
class CDumpContext;
class CObject;

struct PLATFORM_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                \
public:                                                                                            \
    static const CRuntimeClass class##class_name;                                                  \
    CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                             \
    const CRuntimeClass class_name::class##class_name = {#class_name,                              \
                                                         static_cast<int>(sizeof(class_name)),     \
                                                         0xFFFF, RUNTIME_CLASS(base_class_name)};  \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                           \
        return const_cast<CRuntimeClass*>(RUNTIME_CLASS(class_name));                              \
    }

class PLATFORM_API CObject {
public:
    static const CRuntimeClass classCObject;

    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& archive);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& context) const;

    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

// A position in a list: opaque to callers, the node itself inside the list.
struct __POSITION {};
typedef __POSITION* POSITION;

// A doubly linked list of untyped pointers. Nodes come from blocks of nBlockSize nodes and are
// reused; the list does not own what its elements point to.
class PLATFORM_API CPtrList : public CObject {
public:
    static const CRuntimeClass classCPtrList;
    CRuntimeClass* GetRuntimeClass() const override;

    explicit CPtrList(int nBlockSize = 10);
    CPtrList(const CPtrList&) = delete;
    CPtrList& operator=(const CPtrList&) = delete;
    ~CPtrList() override;

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }

    // Head and tail of a non-empty list; an empty list raises CNotSupportedException.
    void*& GetHead();
    void* GetHead() const;
    void*& GetTail();
    void* GetTail() const;
    void* RemoveHead();
    void* RemoveTail();

    POSITION AddHead(void* element);
    POSITION AddTail(void* element);
    void RemoveAll();

    POSITION GetHeadPosition() const { return reinterpret_cast<POSITION>(m_pNodeHead); }
    POSITION GetTailPosition() const { return reinterpret_cast<POSITION>(m_pNodeTail); }
    // The element at position, which then moves to the next (or previous) one, null at the end.
    void*& GetNext(POSITION& position);
    void* GetNext(POSITION& position) const;
    void*& GetPrev(POSITION& position);
    void* GetPrev(POSITION& position) const;

    void*& GetAt(POSITION position);
    void* GetAt(POSITION position) const;
    void SetAt(POSITION position, void* element);
    void RemoveAt(POSITION position);

    POSITION InsertBefore(POSITION position, void* element);
    POSITION InsertAfter(POSITION position, void* element);

    POSITION Find(void* element, POSITION startAfter = nullptr) const;
    // Position of the element with 0-based index, null when there is none.
    POSITION FindIndex(int index) const;

protected:
    struct CNode {
        CNode* pNext;
        CNode* pPrev;
        void* data;
    };
    struct CPlex;

    CNode* NewNode(CNode* prev, CNode* next);
    void FreeNode(CNode* node);
    static CNode* Node(POSITION position);

    CNode* m_pNodeHead = nullptr;
    CNode* m_pNodeTail = nullptr;
    int m_nCount = 0;
    CNode* m_pNodeFree = nullptr;
    CPlex* m_pBlocks = nullptr;
    int m_nBlockSize;
};
