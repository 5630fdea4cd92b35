#include "kinetype/ktlexicon.h"

#include "kinetype/ktwordnetlexicon.h"

namespace {
CKTLexicon* g_pLexicon = nullptr;
}  // namespace

CKTLexicon& KTGetLexicon() { return g_pLexicon ? *g_pLexicon : CKTWordNetLexicon::Instance(); }

CKTLexicon* KTSetLexicon(CKTLexicon* pLexicon) {
    CKTLexicon* pOld = g_pLexicon;
    g_pLexicon = pLexicon;
    return pOld;
}
