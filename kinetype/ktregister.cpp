#include "kinetype/ktregister.h"

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/kterclay.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kterdrift.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktregisterphysics.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktword.h"

void KTRegisterClasses() {
    static const CRuntimeClass* const kClasses[] = {
        RUNTIME_CLASS(CKTComponent),
        RUNTIME_CLASS(CKTBhvrProp),
        RUNTIME_CLASS(CKTBoolBhvrProp),
        RUNTIME_CLASS(CKTCPointBhvrProp),
        RUNTIME_CLASS(CKTVectorBhvrProp),
        RUNTIME_CLASS(CKTCStringArrayBhvrProp),
        RUNTIME_CLASS(CKTBhvrPtrBhvrProp),
        RUNTIME_CLASS(CKTDoubleBhvrProp),
        RUNTIME_CLASS(CKTIntBhvrProp),
        RUNTIME_CLASS(CKTElement),
        RUNTIME_CLASS(CKTText),
        RUNTIME_CLASS(CKTPassage),
        RUNTIME_CLASS(CKTWord),
        RUNTIME_CLASS(CKTGlyph),
        RUNTIME_CLASS(CKTElementRenderer),
        RUNTIME_CLASS(CKTERDefault),
        RUNTIME_CLASS(CKTERParticle),
        RUNTIME_CLASS(CKTERLens),
        RUNTIME_CLASS(CKTERPull),
        RUNTIME_CLASS(CKTERPulse),
        RUNTIME_CLASS(CKTERClay),
        RUNTIME_CLASS(CKTERDrift),
        RUNTIME_CLASS(CKTBehavior),
        RUNTIME_CLASS(CKTEulerBhvr),
    };
    for (const CRuntimeClass* pClass : kClasses) AfxRegisterClass(pClass);
    KTRegisterPhysicsClasses();
}
