#include "kinetype/ktregister.h"

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcomponent.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/kterclay.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kterdrift.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/kteulerbhvr.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktloadfilebhvr.h"
#include "kinetype/ktmouseeventintrigger.h"
#include "kinetype/ktmousemovetrigger.h"
#include "kinetype/ktmousestilltrigger.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/ktregisterphysics.h"
#include "kinetype/ktscrollbhvr.h"
#include "kinetype/ktsequencialbhvr.h"
#include "kinetype/ktsetelementrendererbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktthrowablebhvr.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/kttriggerbhvr.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktwavebhvr.h"
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
        RUNTIME_CLASS(CKTERSplatter),
        RUNTIME_CLASS(CKTERTest),
        RUNTIME_CLASS(CKTERTransparent),
        RUNTIME_CLASS(CKTERErosion),
        RUNTIME_CLASS(CKTERErodeEdge),
        RUNTIME_CLASS(CKTERColorStatic),
        RUNTIME_CLASS(CKTERTrail),
        RUNTIME_CLASS(CKTERParticle),
        RUNTIME_CLASS(CKTERLens),
        RUNTIME_CLASS(CKTERPull),
        RUNTIME_CLASS(CKTERPulse),
        RUNTIME_CLASS(CKTERClay),
        RUNTIME_CLASS(CKTERDrift),
        RUNTIME_CLASS(CKTBehavior),
        RUNTIME_CLASS(CKTEulerBhvr),
        RUNTIME_CLASS(CKTTriggerBhvr),
        RUNTIME_CLASS(CKTMouseStillTrigger),
        RUNTIME_CLASS(CKTMouseMoveTrigger),
        RUNTIME_CLASS(CKTPulledTrigger),
        RUNTIME_CLASS(CKTIsColorTrigger),
        RUNTIME_CLASS(CKTMouseEventInTrigger),
        RUNTIME_CLASS(CKTTimeTrigger),
        RUNTIME_CLASS(CKTWaveBhvr),
        RUNTIME_CLASS(CKTThrobBhvr),
        RUNTIME_CLASS(CKTFadeBhvr),
        RUNTIME_CLASS(CKTFocalFade),
        RUNTIME_CLASS(CKTMoveToMouseBhvr),
        RUNTIME_CLASS(CKTMoveAwayFromMouseBhvr),
        RUNTIME_CLASS(CKTThrowableBhvr),
        RUNTIME_CLASS(CKTExplodeBhvr),
        RUNTIME_CLASS(CKTLifespanBhvr),
        RUNTIME_CLASS(CKTViralBhvr),
        RUNTIME_CLASS(CKTConnByLines),
        RUNTIME_CLASS(CKTSetElementRendererBhvr),
        RUNTIME_CLASS(CKTSynShiftBhvr),
        RUNTIME_CLASS(CKTCryptographicBhvr),
        RUNTIME_CLASS(CKTSequencialBhvr),
        RUNTIME_CLASS(CKTScrollBhvr),
        RUNTIME_CLASS(CKTLoadFileBhvr),
    };
    for (const CRuntimeClass* pClass : kClasses) AfxRegisterClass(pClass);
    KTRegisterPhysicsClasses();
}
