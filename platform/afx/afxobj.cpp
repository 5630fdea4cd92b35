#include "platform/afx/afxobj.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

constinit const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF,
                                                       nullptr, nullptr};

void AfxFatal(const char* pszWhat, const char* pszFile, int nLine) {
    std::fprintf(stderr, "%s:%d: fatal: %s\n", pszFile, nLine, pszWhat);
    std::fflush(stderr);
    std::abort();
}

void AfxTrace(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::vfprintf(stderr, pszFormat, args);
    va_end(args);
}

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass) return TRUE;
    return FALSE;
}

namespace {

// Keyed by the class name's bytes; the records are static, so the views stay valid.
std::unordered_map<std::string_view, const CRuntimeClass*>& Registry() {
    static std::unordered_map<std::string_view, const CRuntimeClass*> registry;
    return registry;
}

}  // namespace

BOOL AfxRegisterClass(const CRuntimeClass* pClass) {
    if (!pClass || !pClass->m_lpszClassName) return FALSE;
    auto [it, inserted] = Registry().emplace(std::string_view(pClass->m_lpszClassName), pClass);
    return (inserted || it->second == pClass) ? TRUE : FALSE;
}

const CRuntimeClass* AfxFindClass(const char* pchName, size_t nLength) {
    auto it = Registry().find(std::string_view(pchName, nLength));
    return it == Registry().end() ? nullptr : it->second;
}

const CRuntimeClass* AfxFindClass(const char* lpszClassName) {
    return lpszClassName ? AfxFindClass(lpszClassName, std::strlen(lpszClassName)) : nullptr;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }
