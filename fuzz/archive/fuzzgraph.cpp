#include "fuzz/archive/fuzzgraph.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

IMPLEMENT_SERIAL(CFzNode, CObject, 0)
IMPLEMENT_SERIAL(CFzLeaf, CFzNode, 0)
IMPLEMENT_SERIAL(CFzOther, CObject, 0)

void FzRegisterClasses() {
    AfxRegisterClass(RUNTIME_CLASS(CFzNode));
    AfxRegisterClass(RUNTIME_CLASS(CFzLeaf));
    AfxRegisterClass(RUNTIME_CLASS(CFzOther));
}

void CFzNode::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring())
        ar << m_strName << m_nValue << m_pParent << m_pNext;
    else
        ar >> m_strName >> m_nValue >> m_pParent >> m_pNext;
    m_children.Serialize(ar);
    m_tags.Serialize(ar);
    m_recs.Serialize(ar);
    m_slots.Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_d << m_rc;
        ar.WriteFlag(m_bFlag);
    } else {
        ar >> m_d >> m_rc;
        m_bFlag = ar.ReadFlag();
    }
}

void CFzNode::ForgetLinks() {
    m_pParent = m_pNext = nullptr;
    m_children.RemoveAll();
    m_slots.RemoveAll();
}

void CFzLeaf::Serialize(CArchive& ar) {
    CFzNode::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_pt << m_pAny << m_w << m_f;
    } else {
        ar >> m_pt;
        m_pAny = ar.ReadObject(nullptr);
        ar >> m_w >> m_f;
    }
}

void CFzLeaf::ForgetLinks() {
    CFzNode::ForgetLinks();
    m_pAny = nullptr;
}

void CFzOther::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring())
        ar << m_str << m_s;
    else
        ar >> m_str >> m_s;
}

namespace {

// Frees what one load built: links first (never followed), then each object once.
void FreeLoaded(CArchive& ar) {
    std::vector<CObject*> objects = ar.TakeLoadedObjects();
    for (CObject* p : objects)
        if (p->IsKindOf(RUNTIME_CLASS(CFzNode))) static_cast<CFzNode*>(p)->ForgetLinks();
    for (CObject* p : objects) delete p;
}

// Loads one node graph; on success *pBytes is its stored form again. The objects are freed either way.
bool LoadAndStore(const uint8_t* data, size_t size, std::vector<BYTE>* pBytes) {
    CMemFile in(data, size);
    CArchive ar(&in, CArchive::load);
    bool ok = false;
    CFzNode* pRoot = nullptr;
    try {
        ar >> pRoot;
        ok = true;
    } catch (const CException&) {
    }
    if (ok) {
        // Storing what loaded must work: an exception here is a finding, not a rejected input.
        CMemFile out;
        CArchive st(&out, CArchive::store);
        st << pRoot;
        st.Close();
        *pBytes = out.DetachBytes();
    }
    FreeLoaded(ar);
    return ok;
}

}  // namespace

bool FzLoadAndCheck(const uint8_t* data, size_t size) {
    std::vector<BYTE> first, second;
    if (!LoadAndStore(data, size, &first)) return false;
    if (!LoadAndStore(first.data(), first.size(), &second)) {
        std::fprintf(stderr, "fuzzgraph: a stored graph does not load again\n");
        std::abort();
    }
    if (first != second) {
        std::fprintf(stderr, "fuzzgraph: storing a loaded graph twice gave different bytes\n");
        std::abort();
    }
    return true;
}

namespace {

std::vector<BYTE> StoreGraph(CFzNode* pRoot, const std::vector<CObject*>& owned) {
    CMemFile out;
    {
        CArchive ar(&out, CArchive::store);
        ar << pRoot;
        ar.Close();
    }
    for (CObject* p : owned) delete p;
    return out.DetachBytes();
}

}  // namespace

std::vector<std::pair<std::string, std::vector<BYTE>>> FzMakeSeeds() {
    std::vector<std::pair<std::string, std::vector<BYTE>>> seeds;

    {  // One node, every field empty.
        auto* n = new CFzNode;
        seeds.emplace_back("single", StoreGraph(n, {n}));
    }
    {  // A family: a parent with three children that point back, a cycle of next links, slots with
       // NULLs and back-references, strings at the prefix boundaries, an unrelated object.
        auto* root = new CFzNode;
        root->m_strName = "root";
        root->m_nValue = -7;
        root->m_d = 0.5;
        root->m_rc = CRect(1, 2, 30, 40);
        root->m_bFlag = 2;
        auto* a = new CFzLeaf;
        auto* b = new CFzNode;
        auto* c = new CFzLeaf;
        auto* other = new CFzOther;
        other->m_str = CString('x', 255);
        other->m_s = -2;
        a->m_strName = CString('a', 254);
        a->m_pt = CPoint(-3, 4);
        a->m_pAny = other;
        a->m_w = 0xBEEF;
        a->m_f = 1.25f;
        b->m_strName = "b";
        c->m_pAny = b;
        for (CFzNode* k : {static_cast<CFzNode*>(a), b, static_cast<CFzNode*>(c)}) {
            k->m_pParent = root;
            root->m_children.AddTail(k);
        }
        a->m_pNext = b;
        b->m_pNext = c;
        c->m_pNext = a;
        root->m_tags.Add(CString("one"));
        root->m_tags.Add(CString());
        root->m_recs.Add(FzRec{1, 2});
        root->m_recs.Add(FzRec{-1, 0xFFFFFFFF});
        root->m_slots.Add(nullptr);
        root->m_slots.Add(root);
        root->m_slots.Add(c);
        seeds.emplace_back("family", StoreGraph(root, {root, a, b, c, other}));
    }
    {  // The root's name as a wide string: FF FE FF 02 41 00 42 00 in place of 02 41 42.
        auto* n = new CFzNode;
        n->m_strName = "AB";
        std::vector<BYTE> bytes = StoreGraph(n, {n});
        const size_t at = 2 + 2 + 2 + std::strlen("CFzNode");
        const BYTE wide[] = {0xFF, 0xFE, 0xFF, 0x02, 0x41, 0x00, 0x42, 0x00};
        bytes.erase(bytes.begin() + at, bytes.begin() + at + 3);
        bytes.insert(bytes.begin() + at, std::begin(wide), std::end(wide));
        seeds.emplace_back("wide", bytes);
    }
    {  // A chain of 40 nodes through m_pNext, each nested in the one before.
        std::vector<CObject*> owned;
        CFzNode* head = nullptr;
        for (int i = 0; i < 40; i++) {
            auto* n = new CFzNode;
            n->m_nValue = i;
            n->m_pNext = head;
            if (head) head->m_pParent = n;
            head = n;
            owned.push_back(n);
        }
        seeds.emplace_back("chain", StoreGraph(head, owned));
    }
    return seeds;
}
