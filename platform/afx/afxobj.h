// CObject, run-time class records and the class registry.
//
// Declaring a stored class (the class library's manner):
//
//     // ktglyph.h
//     class CKTGlyph : public CKTElement {
//         DECLARE_SERIAL(CKTGlyph)
//     public:
//         CKTGlyph();                       // the parameterless constructor the loader uses
//         void Serialize(CArchive& ar) override;
//     };
//     // ktglyph.cpp
//     IMPLEMENT_SERIAL(CKTGlyph, CKTElement, 0)
//
// The DECLARE_ macros leave the class's access at public, as the class library's do.
// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC give a class record without a creation function (abstract or
// never-stored classes: IsKindOf works, the class cannot be read from an archive). RUNTIME_CLASS(C)
// is C's record. The records are constant data: no static initialiser runs for them.
//
// Registration: loading finds a stored class by exact name only among registered classes, and a
// static library may drop object files nobody references, so every library that has stored classes
// offers one function that registers them all, e.g.
//
//     void KTRegisterClasses() { AfxRegisterClass(RUNTIME_CLASS(CKTGlyph)); ... }
//
// called by main() and by each test main before anything is loaded. Registering twice is harmless.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "platform/crt/wintypes.h"

class CArchive;
class CObject;

// Debug checks. ASSERT and TRACE are active only in builds without NDEBUG; VERIFY always evaluates
// its argument. AfxFatal is the always-on check of the collections and strings (a bad index or an
// empty-list access): it reports the file and line and aborts, never reading out of bounds.
[[noreturn]] void AfxFatal(const char* pszWhat, const char* pszFile, int nLine);
void AfxTrace(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define TRACE(...) ((void)0)
#else
#define ASSERT(f) ((f) ? (void)0 : AfxFatal("assertion failed: " #f, __FILE__, __LINE__))
#define VERIFY(f) ASSERT(f)
#define TRACE(...) AfxTrace(__VA_ARGS__)
#endif
#define AFX_CHECK(f) ((f) ? (void)0 : AfxFatal(#f, __FILE__, __LINE__))

// A run-time class record. Schema 0xFFFF marks a class that cannot be stored.
struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();    // NULL for classes declared DYNAMIC only
    const CRuntimeClass* m_pBaseClass;  // NULL for CObject

    // A new object of this class (the parameterless constructor), or NULL without a creation function.
    // Allocation failure throws std::bad_alloc.
    CObject* CreateObject() const;
    // TRUE when this class is pBaseClass or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

// Adds a class to the registry. TRUE when it is (now or already) registered; FALSE when another record
// of the same name is registered already (the first one stays) or the record is NULL.
BOOL AfxRegisterClass(const CRuntimeClass* pClass);
// The registered class of exactly that name (case-sensitive, length-exact), or NULL.
const CRuntimeClass* AfxFindClass(const char* lpszClassName);
const CRuntimeClass* AfxFindClass(const char* pchName, size_t nLength);

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    // Writes or reads the object's stored fields. CObject's part writes and reads nothing.
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const {}

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    static const CRuntimeClass classCObject;
    static const CRuntimeClass* GetThisClass() { return &classCObject; }

protected:
    CObject() = default;
    // Objects are not copied by assignment; a subclass that needs copies defines them itself.
    CObject(const CObject&) {}
    CObject& operator=(const CObject&) { return *this; }
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                                                        \
public:                                                                                    \
    static const CRuntimeClass class##class_name;                                          \
    static const CRuntimeClass* GetThisClass() { return &class##class_name; }              \
    const CRuntimeClass* GetRuntimeClass() const override { return &class##class_name; }

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew) \
    constinit const CRuntimeClass class_name::class##class_name = {              \
        #class_name, static_cast<int>(sizeof(class_name)), wSchema, pfnNew,       \
        &base_class_name::class##base_class_name};

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                  \
    CObject* class_name::CreateObject() { return new class_name; }       \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)            \
    CObject* class_name::CreateObject() { return new class_name; }       \
    AFX_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject)
