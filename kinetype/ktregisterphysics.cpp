#include "kinetype/ktregisterphysics.h"

#include "kinetype/kt1dcolledge.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktconnbyspringsbhvr.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"

void KTRegisterPhysicsClasses() {
    static const CRuntimeClass* const kClasses[] = {
        RUNTIME_CLASS(CKTGravityBhvr),
        RUNTIME_CLASS(CKTViscousDragBhvr),
        RUNTIME_CLASS(CKTCruiseBhvr),
        RUNTIME_CLASS(CKTStayInWindowBhvr),
        RUNTIME_CLASS(CKTConnBySpringsBhvr),
        RUNTIME_CLASS(CKT1DCollEdge),
        RUNTIME_CLASS(CKT1DCollisionDetBhvr),
        RUNTIME_CLASS(CKTBounceOnCollision),
        RUNTIME_CLASS(CKTKillOnCollision),
        RUNTIME_CLASS(CKTAccelerateOnCollision),
    };
    for (const CRuntimeClass* pClass : kClasses) AfxRegisterClass(pClass);
}
