#include "platform/afx/afxcoll.h"

void CObList::Serialize(CArchive& ar, const CRuntimeClass* pRequired) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(GetCount()));
        for (POSITION pos = GetHeadPosition(); pos;) ar.WriteObject(GetNext(pos));
    } else {
        // No allocation by the count: each entry is read before it is added.
        DWORD n = ar.ReadCount();
        for (DWORD i = 0; i < n; i++) AddTail(ar.ReadObject(pRequired));
    }
}

void CObArray::Serialize(CArchive& ar, const CRuntimeClass* pRequired) {
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(GetSize()));
        for (INT_PTR i = 0; i < GetSize(); i++) ar.WriteObject(GetAt(i));
    } else {
        DWORD n = ar.ReadCount();
        RemoveAll();
        for (DWORD i = 0; i < n; i++) Add(ar.ReadObject(pRequired));
    }
}
