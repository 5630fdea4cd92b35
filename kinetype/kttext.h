// CKTText: the root of the element tree (kind 1). There is exactly one, owned by the book; it holds
// the passages. Behaviours never apply to it. Its bounds enclose its passages (the base rule).
#pragma once

#include "kinetype/ktelement.h"

class CKTText : public CKTElement {
    DECLARE_SERIAL(CKTText)

public:
    CKTText();  // kind 1
    ~CKTText() override;

    // The element part only.
    void Serialize(CArchive& ar) override;
};
