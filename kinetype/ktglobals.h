// Process-wide state of the animated-type library.
//
// g_bLoading and g_fFileVersion are set by the document loader around a load (and g_fFileVersion by a
// save). While g_bLoading is set, constructors leave out what the stored form restores: the book's
// root, a new glyph's default renderer, a behaviour's event and property registrations, the shared
// integrator. Serialize methods read version-dependent fields by g_fFileVersion; compare it with float
// constants only (g_fFileVersion >= 0.969f): as doubles, 0.95f < 0.95.
//
// g_pCurrentBook is the one current book: the book's constructor sets it, its destructor clears it
// (when it still names that book). Components reach it through CKTComponent::GetBook().
#pragma once

#include "platform/crt/wintypes.h"

class CKTBook;

extern BYTE g_bLoading;        // 0 at start
extern float g_fFileVersion;   // 0.0f at start
extern CKTBook* g_pCurrentBook;

// The version of the stored form this library writes ("version 0.969 alpha").
constexpr float KT_FILE_VERSION = 0.969f;

// Sets g_bLoading (and optionally g_fFileVersion) for its lifetime and restores both afterwards.
// For loaders and tests:  { CKTLoadingScope loading(0.969f); book.Serialize(ar); }
class CKTLoadingScope {
public:
    explicit CKTLoadingScope(float fVersion) : m_bOld(g_bLoading), m_fOld(g_fFileVersion) {
        g_bLoading = 1;
        g_fFileVersion = fVersion;
    }
    ~CKTLoadingScope() {
        g_bLoading = m_bOld;
        g_fFileVersion = m_fOld;
    }
    CKTLoadingScope(const CKTLoadingScope&) = delete;
    CKTLoadingScope& operator=(const CKTLoadingScope&) = delete;

private:
    BYTE m_bOld;
    float m_fOld;
};
