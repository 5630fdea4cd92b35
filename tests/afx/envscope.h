// Sets an environment variable (or unsets it: nullopt) for the scope, then puts back what was there.
// Shared by the tests of saves, documents and the program's file commands (the cache folder of
// recovery copies follows $XDG_CACHE_HOME).
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class CEnvScope {
public:
    CEnvScope(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~CEnvScope() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    CEnvScope(const CEnvScope&) = delete;
    CEnvScope& operator=(const CEnvScope&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};
