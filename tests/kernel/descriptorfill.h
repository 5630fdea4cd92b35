// A process out of descriptors, cheaply: the soft limit lowered to a little above the descriptors
// open now, and every slot below it taken with /dev/null; undone (slots closed, the limit back) when
// the object goes.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <dirent.h>

#include <cstdlib>

#include <vector>

class CDescriptorFill {
public:
    CDescriptorFill() {
        ::getrlimit(RLIMIT_NOFILE, &m_old);
        rlimit low = m_old;
        low.rlim_cur = static_cast<rlim_t>(HighestOpen() + 1 + kHeadroom);
        if (low.rlim_cur < m_old.rlim_cur) ::setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) m_fds.push_back(fd);
    }
    ~CDescriptorFill() {
        Free();
        ::setrlimit(RLIMIT_NOFILE, &m_old);
    }
    CDescriptorFill(const CDescriptorFill&) = delete;
    CDescriptorFill& operator=(const CDescriptorFill&) = delete;

    // How many slots were taken (at least the headroom when the limit could be lowered).
    size_t Taken() const { return m_fds.size(); }
    // Gives the slots back (the limit stays low until the object goes).
    void Free() {
        for (int fd : m_fds) ::close(fd);
        m_fds.clear();
    }

private:
    static constexpr int kHeadroom = 32;
    static int HighestOpen() {
        int nHighest = 2;
        if (DIR* d = ::opendir("/proc/self/fd")) {
            while (dirent* e = ::readdir(d)) {
                const int fd = std::atoi(e->d_name);
                if (fd > nHighest) nHighest = fd;
            }
            ::closedir(d);
        }
        return nHighest;
    }

    rlimit m_old{};
    std::vector<int> m_fds;
};
