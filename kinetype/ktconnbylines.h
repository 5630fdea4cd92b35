// CKTConnByLines (type 18, "Connected by Lines"): draws a line from each of its elements to the next.
//
// On each draw (event 0), for every element after the first, in list order, a line goes with the
// device context's current pen from the bottom centre of the previous element's absolute bounds, 5
// pixels lower, to the top centre of this element's, 2 pixels higher (centres by integer division).
// A solid black brush is selected for the drawing and the previous brush restored afterwards. Without
// a device context nothing is drawn.
//
// Stored form: the behaviour part only.
#pragma once

#include "kinetype/ktbehavior.h"

class CDC;

class CKTConnByLines : public CKTBehavior {
    DECLARE_SERIAL(CKTConnByLines)

public:
    // Event (0, 0) unless loading; no properties.
    CKTConnByLines();
    ~CKTConnByLines() override;

    CString GetName() const override;  // "Connected by Lines"
    void OnEvent(int nEvent) override;
    // The lines, drawn on pDC (nothing when it is NULL).
    void DrawLines(CDC* pDC);

    void Serialize(CArchive& ar) override;
};
