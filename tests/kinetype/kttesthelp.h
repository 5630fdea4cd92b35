// Small helpers shared by the scene library's tests: bytes in and out of archives.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglobals.h"
#include "kinetype/kttext.h"
#include "platform/afx/afx.h"

namespace kttest {

typedef std::vector<BYTE> Bytes;

// Little-endian byte building, for expected stored forms.
struct ByteWriter {
    Bytes b;
    ByteWriter& u8(unsigned v) {
        b.push_back(static_cast<BYTE>(v));
        return *this;
    }
    ByteWriter& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    ByteWriter& u32(DWORD v) { return u16(v & 0xFFFF).u16(v >> 16); }
    ByteWriter& f64(double d) {
        BYTE raw[8];
        std::memcpy(raw, &d, 8);
        b.insert(b.end(), raw, raw + 8);
        return *this;
    }
    ByteWriter& str(const std::string& s) {  // the archive's short string form (below 255 bytes)
        u8(static_cast<unsigned>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    // The tag and class record of a new object of a class not seen before.
    ByteWriter& newClass(const std::string& name) {
        u16(0xFFFF).u16(0).u16(static_cast<unsigned>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
        return *this;
    }
};

// One object stored alone in a new archive.
inline Bytes StoreObject(const CObject* p) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(p);
    ar.Close();
    return file.GetBytes();
}

// One object read back (required class pClass); throws the archive's exceptions.
inline CObject* LoadObject(const Bytes& bytes, const CRuntimeClass* pClass) {
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    CObject* p = ar.ReadObject(pClass);
    ar.Close();
    return p;
}

// The book's stored form, as a save writes it (g_fFileVersion set to the current version).
inline Bytes StoreBook(CKTBook& book) {
    float fOld = g_fFileVersion;
    g_fFileVersion = KT_FILE_VERSION;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        book.Serialize(ar);
        ar.Close();
    }
    g_fFileVersion = fOld;
    return file.GetBytes();
}

// Reads a book's stored form into pBook (made while loading) as a file of version fVersion. Throws
// the archive's exceptions.
inline void LoadBook(CKTBook& book, const Bytes& bytes, float fVersion) {
    CKTLoadingScope loading(fVersion);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    book.Serialize(ar);
    ar.Close();
}

// Clears the bounds flag of pElement and of its whole subtree.
inline void MarkSubtreeBoundsStale(CKTElement* pElement) {
    pElement->InvalidateBounds();
    for (CKTElement* p = pElement->GetFirstChild(); p; p = p->GetNextSibling()) MarkSubtreeBoundsStale(p);
}

// Clears the bounds flag of every element of the book, in the tree and in the deletion queue: what a
// document load leaves.
inline void MarkBoundsStale(CKTBook& book) {
    if (book.GetRoot()) MarkSubtreeBoundsStale(book.GetRoot());
    for (POSITION pos = book.GetMoribundList().GetHeadPosition(); pos;) {
        CKTComponent* p = book.GetMoribundList().GetNext(pos);
        if (p && p->IsKindOf(RUNTIME_CLASS(CKTElement))) MarkSubtreeBoundsStale(static_cast<CKTElement*>(p));
    }
}

}  // namespace kttest
