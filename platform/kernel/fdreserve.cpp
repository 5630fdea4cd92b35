#include "platform/kernel/fdreserve.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace kernel {

namespace {

int g_reserve[kReserveDescriptors] = {-1, -1, -1, -1};
int g_nRooms = 0;  // rooms alive

int OpenNull() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

void CloseReserve() {
    for (int& fd : g_reserve) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace

bool IsDescriptorShortage(int nErr) { return nErr == EMFILE || nErr == ENFILE; }

bool TakeDescriptorReserve() {
    if (g_nRooms > 0) return false;
    for (int& fd : g_reserve) {
        if (fd < 0) fd = OpenNull();
        if (fd < 0) return false;
    }
    return true;
}

bool HoldsDescriptorReserve() {
    for (int fd : g_reserve)
        if (fd < 0) return false;
    return true;
}

void ReleaseDescriptorReserve() { CloseReserve(); }

bool DescriptorRoomOpen() { return g_nRooms > 0; }

bool CanOpenDescriptors(int n) {
    std::vector<int> fds;
    while (static_cast<int>(fds.size()) < n) {
        const int fd = OpenNull();
        if (fd < 0) break;
        fds.push_back(fd);
    }
    const bool bAll = static_cast<int>(fds.size()) >= n;
    for (int fd : fds) ::close(fd);
    return bAll;
}

CDescriptorRoom::CDescriptorRoom(bool bShort) : m_bOpen(bShort) {
    if (!m_bOpen) return;
    ++g_nRooms;
    CloseReserve();
}

CDescriptorRoom::~CDescriptorRoom() {
    if (m_bOpen && --g_nRooms == 0) TakeDescriptorReserve();
}

}  // namespace kernel
