// Property objects: type codes, the factory, Cast, stored forms byte for byte, and reading back.
#include <gtest/gtest.h>

#include <memory>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kttesthelp.h"

using kttest::ByteWriter;
using kttest::Bytes;

TEST(BhvrPropFactory, TypeCodesMakeTheirClasses) {
    struct Case {
        int nType;
        const CRuntimeClass* pClass;
    } cases[] = {
        {PROPTYPE_BOOL, RUNTIME_CLASS(CKTBoolBhvrProp)},
        {PROPTYPE_CPOINT, RUNTIME_CLASS(CKTCPointBhvrProp)},
        {PROPTYPE_VECTOR, RUNTIME_CLASS(CKTVectorBhvrProp)},
        {PROPTYPE_CSTRINGARRAY, RUNTIME_CLASS(CKTCStringArrayBhvrProp)},
        {PROPTYPE_BHVRPTR, RUNTIME_CLASS(CKTBhvrPtrBhvrProp)},
        {PROPTYPE_DOUBLE, RUNTIME_CLASS(CKTDoubleBhvrProp)},
        {PROPTYPE_INT, RUNTIME_CLASS(CKTIntBhvrProp)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CKTBhvrProp> p(CKTBehavior::CreateProp(c.nType, 7));
        ASSERT_NE(p, nullptr) << c.nType;
        EXPECT_EQ(p->GetRuntimeClass(), c.pClass) << c.nType;
        EXPECT_EQ(p->GetId(), 7);
        EXPECT_EQ(p->GetPropType(), c.nType);
        EXPECT_EQ(p->GetRefCount(), 0);
        EXPECT_TRUE(p->IsOfType(c.nType));
        EXPECT_FALSE(p->IsOfType((c.nType + 1) % PROPTYPE_COUNT));
    }
    for (int nBad : {-1, 7, 1000}) EXPECT_EQ(CKTBehavior::CreateProp(nBad, 0), nullptr) << nBad;
}

TEST(BhvrPropFactory, CastRefusesOtherClasses) {
    CKTBoolBhvrProp b(PROP_VELOCITY);
    CKTVectorBhvrProp v(PROP_VELOCITY);
    EXPECT_EQ(CKTVectorBhvrProp::Cast(&b), nullptr);
    EXPECT_EQ(CKTVectorBhvrProp::Cast(&v), &v);
    EXPECT_EQ(CKTVectorBhvrProp::Cast(nullptr), nullptr);
}

TEST(BhvrProp, RefCountNeverDeletes) {
    CKTIntBhvrProp p(PROP_SAVED_SIZE);
    p.AddRef();
    p.AddRef();
    p.Release();
    EXPECT_EQ(p.GetRefCount(), 1);
    p.Release();
    EXPECT_EQ(p.GetRefCount(), 0);
}

namespace {

// The stored form of a property of class name with count 2, the given id and type code.
ByteWriter PropHeader(const char* name, int nId, int nType) {
    ByteWriter w;
    w.newClass(name).u32(2).u32(static_cast<DWORD>(nId)).u32(static_cast<DWORD>(nType));
    return w;
}

}  // namespace

TEST(BhvrPropStore, ByteLayoutOfEachClass) {
    CKTBoolBhvrProp boolProp(PROP_GRAVITY_STATE);
    boolProp.m_value = 2;  // stored as 1
    CKTCPointBhvrProp pointProp(9);
    pointProp.m_value = CPoint(-3, 70000);
    CKTVectorBhvrProp vectorProp(PROP_VELOCITY);
    vectorProp.SetValue(CKTVector(1.5, -2.25, 0.1));
    CKTCStringArrayBhvrProp stringsProp(PROP_SYNONYMS);
    stringsProp.m_value.Add("big");
    stringsProp.m_value.Add("");
    CKTBhvrPtrBhvrProp ptrProp(1);
    CKTDoubleBhvrProp doubleProp(PROP_DEATH_TIME);
    doubleProp.SetValue(12.75);
    CKTIntBhvrProp intProp(PROP_SAVED_CHAR);
    intProp.SetValue(-65);

    struct Case {
        CKTBhvrProp* p;
        Bytes expected;
    } cases[] = {
        {&boolProp, PropHeader("CKTBoolBhvrProp", 8, 0).u32(1).b},
        {&pointProp, PropHeader("CKTCPointBhvrProp", 9, 1).u32(static_cast<DWORD>(-3)).u32(70000).b},
        {&vectorProp, PropHeader("CKTVectorBhvrProp", 1, 2).f64(1.5).f64(-2.25).f64(0.1).b},
        {&stringsProp, PropHeader("CKTCStringArrayBhvrProp", 3, 3).u16(2).str("big").str("").b},
        {&ptrProp, PropHeader("CKTBhvrPtrBhvrProp", 1, 4).u16(0).b},
        {&doubleProp, PropHeader("CKTDoubleBhvrProp", 10, 5).f64(12.75).b},
        {&intProp, PropHeader("CKTIntBhvrProp", 5, 6).u32(static_cast<DWORD>(-65)).b},
    };
    for (const Case& c : cases) {
        c.p->AddRef();
        c.p->AddRef();
        EXPECT_EQ(kttest::StoreObject(c.p), c.expected) << c.p->GetRuntimeClass()->m_lpszClassName;
    }
}

TEST(BhvrPropStore, RoundTripKeepsCountIdTypeAndValue) {
    CKTVectorBhvrProp v(PROP_ACCELERATION);
    v.SetValue(CKTVector(0.125, 3.0, -7.5));
    for (int i = 0; i < 3; i++) v.AddRef();
    std::unique_ptr<CObject> p(kttest::LoadObject(kttest::StoreObject(&v), RUNTIME_CLASS(CKTBhvrProp)));
    CKTVectorBhvrProp* pBack = CKTVectorBhvrProp::Cast(static_cast<CKTBhvrProp*>(p.get()));
    ASSERT_NE(pBack, nullptr);
    EXPECT_EQ(pBack->GetRefCount(), 3);
    EXPECT_EQ(pBack->GetId(), PROP_ACCELERATION);
    EXPECT_EQ(pBack->GetPropType(), PROPTYPE_VECTOR);
    EXPECT_TRUE(pBack->GetValue() == CKTVector(0.125, 3.0, -7.5));

    CKTCStringArrayBhvrProp s(PROP_SYNONYMS);
    s.m_value.Add("large");
    s.m_value.Add("huge");
    std::unique_ptr<CObject> q(kttest::LoadObject(kttest::StoreObject(&s), RUNTIME_CLASS(CKTBhvrProp)));
    CKTCStringArrayBhvrProp* pStrings = CKTCStringArrayBhvrProp::Cast(static_cast<CKTBhvrProp*>(q.get()));
    ASSERT_NE(pStrings, nullptr);
    ASSERT_EQ(pStrings->m_value.GetSize(), 2);
    EXPECT_EQ(pStrings->m_value[1], "huge");
}

TEST(BhvrPropLoad, BoolReadsAnyNonZeroAsOne) {
    Bytes bytes = PropHeader("CKTBoolBhvrProp", 0, 0).u32(0x100).b;
    std::unique_ptr<CObject> p(kttest::LoadObject(bytes, RUNTIME_CLASS(CKTBoolBhvrProp)));
    EXPECT_EQ(static_cast<CKTBoolBhvrProp*>(p.get())->m_value, 1);
}

TEST(BhvrPropLoad, BehaviourPointerMustNameABehaviour) {
    // The pointer names the property itself (object number 2): not a behaviour.
    Bytes bytes = PropHeader("CKTBhvrPtrBhvrProp", 1, 4).u16(2).b;
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
        ar.ReadObject(RUNTIME_CLASS(CKTBhvrProp));
        FAIL() << "no exception";
    } catch (CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badClass);
    }
    for (CObject* p : ar.TakeLoadedObjects()) delete p;
}

TEST(BhvrPropLoad, StringArrayCountBeyondTheStreamFails) {
    Bytes bytes = PropHeader("CKTCStringArrayBhvrProp", 3, 3).u16(0xFFFF).u32(0x7FFFFFFF).b;
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    EXPECT_THROW(ar.ReadObject(nullptr), CArchiveException);
    for (CObject* p : ar.TakeLoadedObjects()) delete p;
}
