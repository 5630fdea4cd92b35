#include "kinetype/ktrendererfactory.h"

#include "kinetype/kterdefault.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"

CKTElementRenderer* KTCreateRenderer(int nType) {
    switch (nType) {
    case RENDERER_DEFAULT: return new CKTERDefault;
    case RENDERER_SPLATTER: return new CKTERSplatter;
    case RENDERER_TEST: return new CKTERTest;
    default: return nullptr;
    }
}
