// Resources: named blocks of data that a module carries, found by name and type. Programs here are not
// built with resource sections, so the table is filled by code: RegisterResource copies a block under a
// module, a name and a type, and FindResource, LoadResource and LockResource hand it out as the
// platform's calls do. Names and types are strings (compared without regard to ASCII case) or integer
// identifiers made with MAKEINTRESOURCE.
#pragma once

#include <cstdint>

#include "platform/crt/wintypes.h"
#include "platform/kernel/globalmem.h"

typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HRSRC__* HRSRC;

inline const char* MAKEINTRESOURCE(WORD id) { return reinterpret_cast<const char*>(static_cast<uintptr_t>(id)); }
inline bool IS_INTRESOURCE(const char* p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }

// Resource types.
#define RT_BITMAP MAKEINTRESOURCE(2)

// Copies size bytes of data under (module, name, type), replacing a block registered there before.
// FALSE for a NULL name or type, or NULL data with a size.
BOOL RegisterResource(HMODULE hModule, const char* lpName, const char* lpType, const void* data, DWORD size);
// Removes the block; FALSE when there was none. Handles found before become invalid.
BOOL UnregisterResource(HMODULE hModule, const char* lpName, const char* lpType);

// The block registered under (module, name, type), or NULL.
HRSRC FindResource(HMODULE hModule, const char* lpName, const char* lpType);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
// The block's handle; LockResource gives its address (the data stays until unregistered).
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
void* LockResource(HGLOBAL hResData);
// Nothing to free: the block belongs to the table.
inline BOOL FreeResource(HGLOBAL) { return FALSE; }
