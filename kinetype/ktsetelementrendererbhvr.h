// CKTSetElementRendererBhvr (type 16, "Set Element Renderer"): keeps giving its elements a renderer of
// type m_nRendererType.
//
// Each step (event 1), every element whose renderer type differs gets a new renderer of that type
// (KTCreateRenderer) through SetRenderer(renderer, TRUE), which deletes the old one; for a type
// outside 1 to 7 the factory makes nothing and NULL is passed, so the element loses its renderer (and
// NULL is passed again at every later step). An element under an ancestor whose renderer forbids
// child renderers refuses the new renderer: it is deleted here and the element keeps its old one (a
// new one is tried again at the next step). The walk goes over a copy of the element list.
//
// Stored form: the behaviour part, then the renderer type (unsigned).
#pragma once

#include <vector>

#include "kinetype/ktbehavior.h"

class CKTSetElementRendererBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTSetElementRendererBhvr)

public:
    // Renderer type 1; event (1, 0) unless loading.
    CKTSetElementRendererBhvr();
    ~CKTSetElementRendererBhvr() override;

    CString GetName() const override;  // "Set Element Renderer"
    void OnEvent(int nEvent) override;

    void SetRendererType(int nType) { m_nRendererType = nType; }
    int GetRendererType() const { return m_nRendererType; }

    void Serialize(CArchive& ar) override;

private:
    int m_nRendererType;
    std::vector<CKTElement*> m_snapshot;  // scratch for the walk
};
