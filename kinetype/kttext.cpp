#include "kinetype/kttext.h"

IMPLEMENT_SERIAL(CKTText, CKTElement, 0)

CKTText::CKTText() : CKTElement(KIND_TEXT) {}

CKTText::~CKTText() { BeginDestruction(); }

void CKTText::Serialize(CArchive& ar) { CKTElement::Serialize(ar); }
