// Shared fixtures of the afx tests: small stored classes and archive helpers over memory.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/afx/afx.h"

using Bytes = std::vector<BYTE>;

// A node: a LONG, then a reference to another node (which must be a CTNode on load).
class CTNode : public CObject {
    DECLARE_SERIAL(CTNode)
    CTNode() = default;
    explicit CTNode(LONG n, CTNode* pNext = nullptr) : m_n(n), m_pNext(pNext) {}
    void Serialize(CArchive& ar) override;
    LONG m_n = 0;
    CTNode* m_pNext = nullptr;
};

class CTSub : public CTNode {
    DECLARE_SERIAL(CTSub)
    CTSub() = default;
    void Serialize(CArchive& ar) override;
    WORD m_w = 0;
};

// Unrelated to CTNode.
class CTOther : public CObject {
    DECLARE_SERIAL(CTOther)
    CTOther() = default;
    void Serialize(CArchive& ar) override;
    WORD m_w = 0;
};

// Registered, but without a creation function: its name in a stream is a bad class.
class CTAbstract : public CObject {
    DECLARE_DYNAMIC(CTAbstract)
    CTAbstract() = default;
};

void RegisterAfxTestClasses();

// Bytes from a list of values 0..255.
inline Bytes B(std::initializer_list<int> v) {
    Bytes out;
    for (int x : v) out.push_back(static_cast<BYTE>(x));
    return out;
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
inline Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }
// FF FF, schema, name length, name: the record of a class not seen before.
inline Bytes NewClass(const std::string& name, int schema = 0) {
    return Cat({B({0xFF, 0xFF, schema & 0xFF, schema >> 8, static_cast<int>(name.size()) & 0xFF,
                   static_cast<int>(name.size()) >> 8}),
                Str(name)});
}
inline Bytes Le32(DWORD v) { return B({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)}); }
inline Bytes Le16(WORD v) { return B({v & 0xFF, v >> 8}); }

// Runs f on a storing archive over memory and returns the bytes.
template <class F>
Bytes Store(F f, DWORD nFirst = 1) {
    CMemFile mem;
    {
        CArchive ar(&mem, CArchive::store);
        if (nFirst != 1) ar.SetFirstNumberForTesting(nFirst);
        f(ar);
        ar.Close();
    }
    return mem.DetachBytes();
}

// Deletes every object a loading archive created (the test classes' destructors follow no links).
inline void FreeLoaded(CArchive& ar) {
    for (CObject* p : ar.TakeLoadedObjects()) delete p;
}

// Runs f on a loading archive over the bytes, frees what it built, and returns the archive
// exception's cause, or -1 when nothing was thrown.
template <class F>
int LoadCause(const Bytes& bytes, F f, DWORD nFirst = 1) {
    CMemFile mem(bytes.data(), bytes.size());
    CArchive ar(&mem, CArchive::load);
    if (nFirst != 1) ar.SetFirstNumberForTesting(nFirst);
    int cause = -1;
    try {
        f(ar);
    } catch (const CArchiveException& e) {
        cause = e.m_cause;
    }
    FreeLoaded(ar);
    return cause;
}

// The cause of reading one object reference (any class) from the bytes.
inline int ReadObjectCause(const Bytes& bytes, const CRuntimeClass* pRequired = nullptr) {
    return LoadCause(bytes, [&](CArchive& ar) { ar.ReadObject(pRequired); });
}
