// CKTERTest (type 7): builds the glyph's outline and extent and paints nothing. Its glyph still has
// the outline's box as bounds (the metrics box for the character 0 and the space).
//
// Stored form: the base part only.
#pragma once

#include "kinetype/ktmaskrenderer.h"

class CKTERTest : public CKTMaskRenderer {
    DECLARE_SERIAL(CKTERTest)

public:
    CKTERTest();

    // A new test renderer (a master of its own); there are no parameters.
    CKTElementRenderer* Clone() override;
    // Builds the cache when the character is neither 0 nor a space and the book has a device context.
    void OnPreStep() override;
    // The outline only (no mask); the extent is recomputed from it at the next query.
    void BuildCache(CDC* pDC) override;

    void Serialize(CArchive& ar) override;
};
