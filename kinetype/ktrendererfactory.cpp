#include "kinetype/ktrendererfactory.h"

#include "kinetype/kterdefault.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"

CKTElementRenderer* KTCreateRenderer(int nType) {
    switch (nType) {
    case RENDERER_DEFAULT: return new CKTERDefault;
    case RENDERER_PARTICLE: return new CKTERParticle;
    case RENDERER_LENS: return new CKTERLens;
    case RENDERER_PULL: return new CKTERPull;
    case RENDERER_PULSE: return new CKTERPulse;
    case RENDERER_SPLATTER: return new CKTERSplatter;
    case RENDERER_TEST: return new CKTERTest;
    default: return nullptr;
    }
}
