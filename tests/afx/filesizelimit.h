// Makes writes past nBytes of any file fail (EFBIG) while it lives: a disk that fills up. Shared by
// the tests of files, documents and the program's file commands.
#pragma once

#include <sys/resource.h>

#include <csignal>

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_bSet = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        m_bSet = m_bSet && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~CFileSizeLimit() {
        if (m_bSet) setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;
    bool IsSet() const { return m_bSet; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_bSet = false;
};
