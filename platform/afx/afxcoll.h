// The class library's collections: linked lists with POSITION, arrays, and their stored forms.
//
// Lists (CList, CObList, CPtrList, CStringList, CTypedPtrList):
// - Nodes are allocated in blocks (nBlockSize, 10 by default) and never move: a POSITION stays valid
//   while the list grows and while other entries are removed. A walk takes the next position in
//   GetNext, so an entry added at the tail while an earlier entry is being visited is visited by the
//   same walk; one added while the (then) last entry is visited is not, since the walk already holds
//   NULL.
// - A removed node goes to the list's free pool (reused by later additions); it keeps no links, so a
//   walk still holding its POSITION gets NULL from GetNext and ends. Memory goes back only on
//   RemoveAll() and destruction (an owner that keeps an emptied list for long calls RemoveAll at a
//   point where no walk can hold a position, see GetNodeRoom).
// - GetHead/GetTail/RemoveHead/RemoveTail on an empty list and a NULL POSITION where an entry is
//   needed are fatal errors (AfxFatal), never undefined behaviour.
//
// Arrays (CArray, CObArray, CPtrArray, CStringArray, CDWordArray, ..., CTypedPtrArray): an index out
// of range is a fatal error (AfxFatal). The element storage moves when the array grows.
//
// Stored forms:
//   object list   (CObList)            count, then one object reference per entry, head to tail
//   object array  (CObArray)           count, then one object reference per slot
//   record array  (CArray<T> of plain records)  count, then the records as raw little-endian bytes
//   string array  (CStringArray, CArray<CString>)  count, then one string per entry
//   record list   (CList<T>)           count, then the entries head to tail, each as a record array's
// On load a list appends what it reads; an array takes the stored count.
//
// Reading object containers with a required class: CObList::Serialize(ar, pClass) and
// CObArray::Serialize(ar, pClass) make every non-NULL entry be of pClass or derive from it
// (CArchiveException::badClass otherwise). A CTypedPtrList<CObList, C*> or CTypedPtrArray<CObArray, C*>
// requires C by itself in Serialize(ar). The plain Serialize(ar) of CObList and CObArray reads any class.
// CObList, CPtrList, CObArray and CPtrArray are not CObjects here: their Serialize is an ordinary
// member, so a typed container's Serialize(ar), which names C's class record, is compiled only where
// it is called, and C needs to be a complete type only there.
//
// A record array cut short is an end-of-file error: the whole block of count * sizeof(T) bytes must be
// in the stream before anything is allocated or read. Records must be trivially copyable and have no
// padding (their bytes are the stored form); specialise SerializeElements<T> for anything else.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/afx/afxarchive.h"
#include "platform/afx/afxobj.h"
#include "platform/afx/afxstr.h"

struct AfxPositionTag;
typedef AfxPositionTag* POSITION;

static_assert(std::endian::native == std::endian::little, "the stored form is little-endian");

// ---------------------------------------------------------------------------------------------------
// Element serialization for CArray and CList. The default writes CString as strings and any other
// (trivially copyable) type as its raw bytes. Specialise for other record types.

template <class TYPE>
void SerializeElements(CArchive& ar, TYPE* pElements, INT_PTR nCount) {
    if constexpr (std::is_same_v<TYPE, CString>) {
        for (INT_PTR i = 0; i < nCount; i++) {
            if (ar.IsStoring())
                ar << pElements[i];
            else
                ar >> pElements[i];
        }
    } else {
        static_assert(std::is_trivially_copyable_v<TYPE>, "specialise SerializeElements for this type");
        ULONGLONG nBytes = static_cast<ULONGLONG>(nCount) * sizeof(TYPE);
        if (ar.IsStoring()) {
            ar.Write(pElements, static_cast<UINT>(nBytes));
        } else {
            ar.RequireBytes(nBytes);
            ar.Read(pElements, static_cast<UINT>(nBytes));
        }
    }
}

// The smallest number of bytes one stored element can take (bounds a count read from a stream).
template <class TYPE>
constexpr ULONGLONG AfxMinStoredSize() {
    if constexpr (std::is_same_v<TYPE, CString>)
        return 1;
    else
        return sizeof(TYPE);
}

namespace afx_detail {

// The node-block linked list behind every list class.
template <class TYPE>
class ListCore {
public:
    explicit ListCore(INT_PTR nBlockSize = 10) : m_nBlockSize(nBlockSize > 0 ? nBlockSize : 10) {}
    ~ListCore() { FreeAll(); }
    ListCore(const ListCore&) = delete;
    ListCore& operator=(const ListCore&) = delete;

    INT_PTR GetCount() const { return m_nCount; }
    INT_PTR GetSize() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0 ? TRUE : FALSE; }

    TYPE& GetHead() { return NodeOf(m_pHead, "GetHead on an empty list")->data; }
    const TYPE& GetHead() const { return NodeOf(m_pHead, "GetHead on an empty list")->data; }
    TYPE& GetTail() { return NodeOf(m_pTail, "GetTail on an empty list")->data; }
    const TYPE& GetTail() const { return NodeOf(m_pTail, "GetTail on an empty list")->data; }

    TYPE RemoveHead() {
        Node* p = NodeOf(m_pHead, "RemoveHead on an empty list");
        TYPE v = std::move(p->data);
        Unlink(p);
        return v;
    }
    TYPE RemoveTail() {
        Node* p = NodeOf(m_pTail, "RemoveTail on an empty list");
        TYPE v = std::move(p->data);
        Unlink(p);
        return v;
    }

    POSITION AddHead(const TYPE& v) { return InsertNode(nullptr, m_pHead, v); }
    POSITION AddTail(const TYPE& v) { return InsertNode(m_pTail, nullptr, v); }
    POSITION AddHead(std::nullptr_t) requires std::is_pointer_v<TYPE> { return AddHead(TYPE()); }
    POSITION AddTail(std::nullptr_t) requires std::is_pointer_v<TYPE> { return AddTail(TYPE()); }
    // Adds copies of another list's entries (in their order).
    void AddHead(const ListCore* pOther) {
        for (Node* p = pOther->m_pTail; p; p = p->pPrev) AddHead(p->data);
    }
    void AddTail(const ListCore* pOther) {
        for (Node* p = pOther->m_pHead; p; p = p->pNext) AddTail(p->data);
    }

    // Removes every entry and frees the node blocks. Every POSITION of the list becomes invalid.
    void RemoveAll() { FreeAll(); }
    // The nodes the list holds, in use or pooled.
    INT_PTR GetNodeRoom() const { return static_cast<INT_PTR>(m_blocks.size()) * m_nBlockSize; }

    POSITION GetHeadPosition() const { return Pos(m_pHead); }
    POSITION GetTailPosition() const { return Pos(m_pTail); }
    // The entry at rPosition; rPosition moves to the next (NULL after the tail). A removed node's
    // POSITION gives a default value and NULL.
    TYPE& GetNext(POSITION& rPosition) {
        Node* p = NodeOf(rPosition, "GetNext with a NULL POSITION");
        rPosition = Pos(p->pNext);
        return p->data;
    }
    const TYPE& GetNext(POSITION& rPosition) const {
        Node* p = NodeOf(rPosition, "GetNext with a NULL POSITION");
        rPosition = Pos(p->pNext);
        return p->data;
    }
    TYPE& GetPrev(POSITION& rPosition) {
        Node* p = NodeOf(rPosition, "GetPrev with a NULL POSITION");
        rPosition = Pos(p->pPrev);
        return p->data;
    }
    const TYPE& GetPrev(POSITION& rPosition) const {
        Node* p = NodeOf(rPosition, "GetPrev with a NULL POSITION");
        rPosition = Pos(p->pPrev);
        return p->data;
    }
    TYPE& GetAt(POSITION position) { return NodeOf(position, "GetAt with a NULL POSITION")->data; }
    const TYPE& GetAt(POSITION position) const { return NodeOf(position, "GetAt with a NULL POSITION")->data; }
    void SetAt(POSITION pos, const TYPE& v) { NodeOf(pos, "SetAt with a NULL POSITION")->data = v; }
    void RemoveAt(POSITION position) {
        Node* p = NodeOf(position, "RemoveAt with a NULL POSITION");
        AFX_CHECK(p->bInUse);
        Unlink(p);
    }
    // NULL position: at the head (InsertBefore) or at the tail (InsertAfter).
    POSITION InsertBefore(POSITION position, const TYPE& v) {
        if (!position) return AddHead(v);
        Node* p = Node::From(position);
        AFX_CHECK(p->bInUse);
        return InsertNode(p->pPrev, p, v);
    }
    POSITION InsertAfter(POSITION position, const TYPE& v) {
        if (!position) return AddTail(v);
        Node* p = Node::From(position);
        AFX_CHECK(p->bInUse);
        return InsertNode(p, p->pNext, v);
    }
    // The first entry equal to v after startAfter (from the head when NULL), or NULL.
    POSITION Find(const TYPE& v, POSITION startAfter = nullptr) const {
        Node* p = startAfter ? Node::From(startAfter)->pNext : m_pHead;
        for (; p; p = p->pNext)
            if (p->data == v) return Pos(p);
        return nullptr;
    }
    // The position of the entry with that zero-based index, or NULL when out of range.
    POSITION FindIndex(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= m_nCount) return nullptr;
        Node* p = m_pHead;
        while (nIndex--) p = p->pNext;
        return Pos(p);
    }

protected:
    struct Node {
        Node* pNext;
        Node* pPrev;
        bool bInUse;
        TYPE data;
        static Node* From(POSITION pos) { return reinterpret_cast<Node*>(pos); }
    };
    static POSITION Pos(Node* p) { return reinterpret_cast<POSITION>(p); }
    static Node* NodeOf(POSITION pos, const char* what) {
        if (!pos) AfxFatal(what, __FILE__, __LINE__);
        return Node::From(pos);
    }
    static Node* NodeOf(Node* p, const char* what) {
        if (!p) AfxFatal(what, __FILE__, __LINE__);
        return p;
    }

    POSITION InsertNode(Node* pPrev, Node* pNext, const TYPE& v) {
        Node* p = NewNode();
        p->data = v;
        p->pPrev = pPrev;
        p->pNext = pNext;
        if (pPrev) pPrev->pNext = p; else m_pHead = p;
        if (pNext) pNext->pPrev = p; else m_pTail = p;
        m_nCount++;
        return Pos(p);
    }
    void Unlink(Node* p) {
        if (p->pPrev) p->pPrev->pNext = p->pNext; else m_pHead = p->pNext;
        if (p->pNext) p->pNext->pPrev = p->pPrev; else m_pTail = p->pPrev;
        m_nCount--;
        p->data = TYPE();
        p->pNext = nullptr;
        p->pPrev = m_pFree;  // the free pool is chained through pPrev, so pNext stays NULL
        p->bInUse = false;
        m_pFree = p;
    }
    Node* NewNode() {
        if (!m_pFree) {
            Node* block = static_cast<Node*>(::operator new(sizeof(Node) * static_cast<size_t>(m_nBlockSize)));
            m_blocks.push_back(block);
            for (INT_PTR i = m_nBlockSize - 1; i >= 0; i--) {
                Node* n = new (&block[i]) Node{nullptr, m_pFree, false, TYPE()};
                m_pFree = n;
            }
        }
        Node* p = m_pFree;
        m_pFree = p->pPrev;
        p->pPrev = nullptr;
        p->bInUse = true;
        return p;
    }
    void FreeAll() {
        for (Node* block : m_blocks) {
            for (INT_PTR i = 0; i < m_nBlockSize; i++) block[i].~Node();
            ::operator delete(block);
        }
        m_blocks.clear();
        m_pHead = m_pTail = m_pFree = nullptr;
        m_nCount = 0;
    }

    Node* m_pHead = nullptr;
    Node* m_pTail = nullptr;
    Node* m_pFree = nullptr;
    INT_PTR m_nCount = 0;
    INT_PTR m_nBlockSize;
    std::vector<Node*> m_blocks;
};

}  // namespace afx_detail

// ---------------------------------------------------------------------------------------------------
// Lists.

// A list of values. Serialize writes the count and the values (SerializeElements, one at a time).
template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject, public afx_detail::ListCore<TYPE> {
public:
    explicit CList(INT_PTR nBlockSize = 10) : afx_detail::ListCore<TYPE>(nBlockSize) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;

    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteCount(static_cast<DWORD_PTR>(this->GetCount()));
            for (POSITION pos = this->GetHeadPosition(); pos;) SerializeElements<TYPE>(ar, &this->GetNext(pos), 1);
        } else {
            DWORD n = ar.ReadCount();
            ar.RequireBytes(static_cast<ULONGLONG>(n) * AfxMinStoredSize<TYPE>());
            for (DWORD i = 0; i < n; i++) {
                TYPE v{};
                SerializeElements<TYPE>(ar, &v, 1);
                this->AddTail(v);
            }
        }
    }
};

class CObList : public afx_detail::ListCore<CObject*> {
public:
    explicit CObList(INT_PTR nBlockSize = 10) : afx_detail::ListCore<CObject*>(nBlockSize) {}

    // Object list of any class.
    void Serialize(CArchive& ar) { Serialize(ar, nullptr); }
    // Object list whose non-NULL entries must be of pRequired or derive from it (NULL: any class).
    void Serialize(CArchive& ar, const CRuntimeClass* pRequired);
};

// A list of untyped pointers (no stored form).
class CPtrList : public afx_detail::ListCore<void*> {
public:
    explicit CPtrList(INT_PTR nBlockSize = 10) : afx_detail::ListCore<void*>(nBlockSize) {}
};

class CStringList : public CList<CString, const CString&> {
public:
    explicit CStringList(INT_PTR nBlockSize = 10) : CList<CString, const CString&>(nBlockSize) {}
};

// A list of T* over CObList or CPtrList. Over CObList, Serialize(ar) requires every non-NULL entry to
// be a T (or derived): the list's own class is the required class.
template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
    static_assert(std::is_pointer_v<TYPE>);

public:
    explicit CTypedPtrList(INT_PTR nBlockSize = 10) : BASE_CLASS(nBlockSize) {}

    TYPE GetHead() const { return static_cast<TYPE>(BASE_CLASS::GetHead()); }
    TYPE GetTail() const { return static_cast<TYPE>(BASE_CLASS::GetTail()); }
    TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
    TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
    TYPE GetNext(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetNext(rPosition)); }
    TYPE GetPrev(POSITION& rPosition) const { return static_cast<TYPE>(BASE_CLASS::GetPrev(rPosition)); }
    TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE_CLASS::GetAt(position)); }
    void SetAt(POSITION pos, TYPE v) { BASE_CLASS::SetAt(pos, v); }
    POSITION AddHead(TYPE v) { return BASE_CLASS::AddHead(v); }
    POSITION AddTail(TYPE v) { return BASE_CLASS::AddTail(v); }
    POSITION AddHead(std::nullptr_t) { return BASE_CLASS::AddHead(nullptr); }
    POSITION AddTail(std::nullptr_t) { return BASE_CLASS::AddTail(nullptr); }
    void AddHead(const CTypedPtrList* pOther) { BASE_CLASS::AddHead(pOther); }
    void AddTail(const CTypedPtrList* pOther) { BASE_CLASS::AddTail(pOther); }
    POSITION InsertBefore(POSITION pos, TYPE v) { return BASE_CLASS::InsertBefore(pos, v); }
    POSITION InsertAfter(POSITION pos, TYPE v) { return BASE_CLASS::InsertAfter(pos, v); }
    POSITION Find(TYPE v, POSITION startAfter = nullptr) const { return BASE_CLASS::Find(v, startAfter); }

    // Object list whose non-NULL entries must be TYPE's class or derive from it.
    void Serialize(CArchive& ar)
        requires std::is_base_of_v<CObList, BASE_CLASS>
    {
        BASE_CLASS::Serialize(ar, RUNTIME_CLASS(std::remove_cv_t<std::remove_pointer_t<TYPE>>));
    }
    void Serialize(CArchive& ar, const CRuntimeClass* pRequired)
        requires std::is_base_of_v<CObList, BASE_CLASS>
    {
        BASE_CLASS::Serialize(ar, pRequired);
    }
};

// ---------------------------------------------------------------------------------------------------
// Arrays.

namespace afx_detail {

// The vector behind every array class. Elements are value-initialised when the array grows (zero for
// plain records).
template <class TYPE, class ARG_TYPE>
class ArrayCore {
public:
    ArrayCore() = default;
    ArrayCore(const ArrayCore&) = delete;
    ArrayCore& operator=(const ArrayCore&) = delete;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_v.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_v.empty() ? TRUE : FALSE; }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    // New elements are value-initialised; nGrowBy is accepted and ignored.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1) {
        (void)nGrowBy;
        AFX_CHECK(nNewSize >= 0);
        m_v.resize(static_cast<size_t>(nNewSize));
    }
    void FreeExtra() { m_v.shrink_to_fit(); }
    void RemoveAll() { m_v.clear(); }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_v[Check(nIndex)]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_v[Check(nIndex)] = newElement; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_v[Check(nIndex)]; }
    const TYPE& ElementAt(INT_PTR nIndex) const { return m_v[Check(nIndex)]; }
    TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE* GetData() { return m_v.data(); }
    const TYPE* GetData() const { return m_v.data(); }

    // Grows the array when nIndex is past the end.
    void SetAtGrow(INT_PTR nIndex, ARG_TYPE newElement) {
        AFX_CHECK(nIndex >= 0);
        TYPE copy = newElement;  // newElement may live in this array
        if (nIndex >= GetSize()) SetSize(nIndex + 1);
        m_v[static_cast<size_t>(nIndex)] = std::move(copy);
    }
    INT_PTR Add(ARG_TYPE newElement) {
        TYPE copy = newElement;
        m_v.push_back(std::move(copy));
        return GetSize() - 1;
    }
    INT_PTR Append(const ArrayCore& src) {
        INT_PTR nOld = GetSize();
        std::vector<TYPE> copy = src.m_v;
        m_v.insert(m_v.end(), copy.begin(), copy.end());
        return nOld;
    }
    void Copy(const ArrayCore& src) {
        if (&src != this) m_v = src.m_v;
    }
    // nIndex may be GetSize() (append); past it, the array grows first as SetAtGrow does.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
        AFX_CHECK(nIndex >= 0 && nCount >= 0);
        TYPE copy = newElement;
        if (nIndex > GetSize()) SetSize(nIndex);
        m_v.insert(m_v.begin() + nIndex, static_cast<size_t>(nCount), copy);
    }
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
        AFX_CHECK(nIndex >= 0 && nCount >= 0 && nIndex + nCount <= GetSize());
        m_v.erase(m_v.begin() + nIndex, m_v.begin() + nIndex + nCount);
    }

protected:
    size_t Check(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= GetSize()) AfxFatal("array index out of range", __FILE__, __LINE__);
        return static_cast<size_t>(nIndex);
    }
    std::vector<TYPE> m_v;
};

}  // namespace afx_detail

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject, public afx_detail::ArrayCore<TYPE, ARG_TYPE> {
public:
    CArray() = default;

    // Record array or string array: count, then the elements (SerializeElements). A count whose
    // records are not all in the stream is an end-of-file error before anything is allocated.
    void Serialize(CArchive& ar) override {
        if (ar.IsStoring()) {
            ar.WriteCount(static_cast<DWORD_PTR>(this->GetSize()));
            SerializeElements<TYPE>(ar, this->GetData(), this->GetSize());
        } else {
            DWORD n = ar.ReadCount();
            ar.RequireBytes(static_cast<ULONGLONG>(n) * AfxMinStoredSize<TYPE>());
            this->SetSize(static_cast<INT_PTR>(n));
            SerializeElements<TYPE>(ar, this->GetData(), this->GetSize());
        }
    }
};

class CObArray : public afx_detail::ArrayCore<CObject*, CObject*> {
public:
    CObArray() = default;
    // Object array of any class.
    void Serialize(CArchive& ar) { Serialize(ar, nullptr); }
    // Object array whose non-NULL slots must be of pRequired or derive from it (NULL: any class).
    // On load the array takes the stored count; it grows as slots are read, so a hostile count
    // allocates no more than the stream can fill.
    void Serialize(CArchive& ar, const CRuntimeClass* pRequired);
};

// An array of untyped pointers (no stored form).
class CPtrArray : public afx_detail::ArrayCore<void*, void*> {
public:
    CPtrArray() = default;
};

class CStringArray : public CArray<CString, const CString&> {
public:
    CStringArray() = default;
};

class CByteArray : public CArray<BYTE, BYTE> {};
class CWordArray : public CArray<WORD, WORD> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CUIntArray : public CArray<UINT, UINT> {};

// An array of T* over CObArray or CPtrArray. Over CObArray, Serialize(ar) requires every non-NULL slot
// to be a T (or derived). Non-const element access goes through a small reference object:
// arr[i] = p, arr[i]->Foo(), if (arr[i]), delete arr[i] all work.
template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
    static_assert(std::is_pointer_v<TYPE>);
    using ELEM = std::remove_reference_t<decltype(std::declval<BASE_CLASS&>().ElementAt(0))>;

public:
    class Ref {
    public:
        explicit Ref(ELEM& r) : m_r(r) {}
        operator TYPE() const { return static_cast<TYPE>(m_r); }
        TYPE operator->() const { return static_cast<TYPE>(m_r); }
        Ref& operator=(TYPE v) {
            m_r = v;
            return *this;
        }
        Ref& operator=(const Ref& o) {
            m_r = o.m_r;
            return *this;
        }

    private:
        ELEM& m_r;
    };

    TYPE GetAt(INT_PTR nIndex) const { return static_cast<TYPE>(BASE_CLASS::GetAt(nIndex)); }
    void SetAt(INT_PTR nIndex, TYPE v) { BASE_CLASS::SetAt(nIndex, v); }
    void SetAtGrow(INT_PTR nIndex, TYPE v) { BASE_CLASS::SetAtGrow(nIndex, v); }
    INT_PTR Add(TYPE v) { return BASE_CLASS::Add(v); }
    void InsertAt(INT_PTR nIndex, TYPE v, INT_PTR nCount = 1) { BASE_CLASS::InsertAt(nIndex, v, nCount); }
    Ref ElementAt(INT_PTR nIndex) { return Ref(BASE_CLASS::ElementAt(nIndex)); }
    Ref operator[](INT_PTR nIndex) { return ElementAt(nIndex); }
    TYPE operator[](INT_PTR nIndex) const { return GetAt(nIndex); }

    // Object array whose non-NULL slots must be TYPE's class or derive from it.
    void Serialize(CArchive& ar)
        requires std::is_base_of_v<CObArray, BASE_CLASS>
    {
        BASE_CLASS::Serialize(ar, RUNTIME_CLASS(std::remove_cv_t<std::remove_pointer_t<TYPE>>));
    }
    void Serialize(CArchive& ar, const CRuntimeClass* pRequired)
        requires std::is_base_of_v<CObArray, BASE_CLASS>
    {
        BASE_CLASS::Serialize(ar, pRequired);
    }
};
