// A small graph of stored classes for the archive fuzzer and its seed corpus: nodes that refer to
// each other (parent, next, children list, slot array), strings, string arrays, record arrays and an
// untyped reference. The test suite links the same classes to check the seeds.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/afx/afx.h"

struct FzRec {
    LONG a;
    DWORD b;
};
static_assert(sizeof(FzRec) == 8);

class CFzNode : public CObject {
    DECLARE_SERIAL(CFzNode)
    CFzNode() = default;
    void Serialize(CArchive& ar) override;
    // Clears every link to other objects without following it.
    virtual void ForgetLinks();

    CString m_strName;
    LONG m_nValue = 0;
    CFzNode* m_pParent = nullptr;
    CFzNode* m_pNext = nullptr;
    CTypedPtrList<CObList, CFzNode*> m_children;
    CStringArray m_tags;
    CArray<FzRec, const FzRec&> m_recs;
    CTypedPtrArray<CObArray, CFzNode*> m_slots;
    double m_d = 0.0;
    CRect m_rc;
    BYTE m_bFlag = 0;
};

class CFzLeaf : public CFzNode {
    DECLARE_SERIAL(CFzLeaf)
    CFzLeaf() = default;
    void Serialize(CArchive& ar) override;
    void ForgetLinks() override;

    CPoint m_pt;
    CObject* m_pAny = nullptr;  // read with no required class
    WORD m_w = 0;
    float m_f = 0.0f;
};

// Not a node: a reference to it where a node is required is a bad-class error.
class CFzOther : public CObject {
    DECLARE_SERIAL(CFzOther)
    CFzOther() = default;
    void Serialize(CArchive& ar) override;

    CString m_str;
    short m_s = 0;
};

void FzRegisterClasses();

// Reads a node graph (a CFzNode reference) from the bytes. On success stores it again, reads that
// back and stores it once more, and aborts unless the two stored forms are identical. Frees every
// object each load built, failed or not. Returns whether the input loaded.
bool FzLoadAndCheck(const uint8_t* data, size_t size);

// The seed corpus: (file name, bytes).
std::vector<std::pair<std::string, std::vector<BYTE>>> FzMakeSeeds();
