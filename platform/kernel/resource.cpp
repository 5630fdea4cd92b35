#include "platform/kernel/resource.h"

#include <list>
#include <mutex>
#include <string>
#include <vector>

namespace {

// A name or type: an integer identifier, or a string kept in upper case.
struct Key {
    bool isId = false;
    uintptr_t id = 0;
    std::string text;

    explicit Key(const char* p) {
        if (IS_INTRESOURCE(p)) {
            isId = true;
            id = reinterpret_cast<uintptr_t>(p);
        } else {
            for (const char* c = p; *c; ++c) text += (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 32) : *c;
        }
    }
    bool operator==(const Key&) const = default;
};

struct Entry {
    HMODULE module;
    Key name;
    Key type;
    std::vector<BYTE> data;
};

std::mutex g_lock;
std::list<Entry>& Table() {
    static std::list<Entry> table;  // a list: entries keep their addresses, which are the handles
    return table;
}

Entry* Find(HMODULE hModule, const Key& name, const Key& type) {
    for (Entry& e : Table())
        if (e.module == hModule && e.name == name && e.type == type) return &e;
    return nullptr;
}

}  // namespace

BOOL RegisterResource(HMODULE hModule, const char* lpName, const char* lpType, const void* data, DWORD size) {
    if (!lpName || !lpType || (!data && size)) return FALSE;
    const Key name(lpName), type(lpType);
    std::lock_guard<std::mutex> guard(g_lock);
    Entry* e = Find(hModule, name, type);
    if (!e) {
        Table().push_back(Entry{hModule, name, type, {}});
        e = &Table().back();
    }
    const BYTE* p = static_cast<const BYTE*>(data);
    e->data.assign(p, p + size);
    return TRUE;
}

BOOL UnregisterResource(HMODULE hModule, const char* lpName, const char* lpType) {
    if (!lpName || !lpType) return FALSE;
    const Key name(lpName), type(lpType);
    std::lock_guard<std::mutex> guard(g_lock);
    for (auto it = Table().begin(); it != Table().end(); ++it) {
        if (it->module == hModule && it->name == name && it->type == type) {
            Table().erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

HRSRC FindResource(HMODULE hModule, const char* lpName, const char* lpType) {
    if (!lpName || !lpType) return nullptr;
    std::lock_guard<std::mutex> guard(g_lock);
    return reinterpret_cast<HRSRC>(Find(hModule, Key(lpName), Key(lpType)));
}

DWORD SizeofResource(HMODULE /*hModule*/, HRSRC hResInfo) {
    return hResInfo ? static_cast<DWORD>(reinterpret_cast<Entry*>(hResInfo)->data.size()) : 0;
}

HGLOBAL LoadResource(HMODULE /*hModule*/, HRSRC hResInfo) { return hResInfo; }

void* LockResource(HGLOBAL hResData) {
    if (!hResData) return nullptr;
    std::vector<BYTE>& data = static_cast<Entry*>(hResData)->data;
    return data.empty() ? nullptr : data.data();
}
