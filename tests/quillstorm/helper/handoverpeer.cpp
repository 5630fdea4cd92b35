// A peer of the hand-over socket for tests that need another process: another user id (run through
// setpriv), or a flood of connections:
//   qs_handoverpeer listen SOCKET SECONDS  binds SOCKET, prints "listening", then for SECONDS takes
//                                          connections and answers each line "ok"; every byte it
//                                          receives goes to standard output.
//   qs_handoverpeer send SOCKET LINE       connects, sends LINE and a line break, prints the answer.
//   qs_handoverpeer hold SOCKET N          opens N connections (a connect waits at most 2 s for room
//                                          in the backlog), prints "held K" for the K that connected,
//                                          keeps them open until its standard input ends.
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool Address(const char* path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (std::strlen(path) >= sizeof addr.sun_path) return false;
    std::strcpy(addr.sun_path, path);
    return true;
}

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

int Listen(const char* path, double dSeconds) {
    sockaddr_un addr;
    if (!Address(path, addr)) return 2;
    ::unlink(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        std::perror("listen");
        return 2;
    }
    ::chmod(path, 0777);  // a squatter lets everybody in
    std::printf("listening\n");
    std::fflush(stdout);
    const double dEnd = Now() + dSeconds;
    while (Now() < dEnd) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const int c = ::accept(fd, nullptr, nullptr);
        if (c < 0) continue;
        while (Now() < dEnd) {
            pollfd q{c, POLLIN, 0};
            if (::poll(&q, 1, 100) <= 0) continue;
            char buf[4096];
            const ssize_t n = ::read(c, buf, sizeof buf);
            if (n <= 0) break;
            std::fwrite(buf, 1, static_cast<size_t>(n), stdout);
            std::fflush(stdout);
            for (ssize_t i = 0; i < n; ++i)
                if (buf[i] == '\n' && ::write(c, "ok\n", 3) != 3) break;
        }
        ::close(c);
    }
    ::close(fd);
    ::unlink(path);
    return 0;
}

int Send(const char* path, const char* line) {
    sockaddr_un addr;
    if (!Address(path, addr)) return 2;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("connect");
        return 2;
    }
    const std::string text = std::string(line) + "\n";
    // The other end may answer and close before the line is written: the answer is read anyway.
    (void)::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string reply;
    const double dEnd = Now() + 5;
    while (reply.find('\n') == std::string::npos && Now() < dEnd) {
        pollfd q{fd, POLLIN, 0};
        if (::poll(&q, 1, 100) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reply.append(buf, static_cast<size_t>(n));
    }
    std::fputs(reply.c_str(), stdout);
    ::close(fd);
    return 0;
}

int Hold(const char* path, int n) {
    sockaddr_un addr;
    if (!Address(path, addr) || n < 0) return 2;
    // As many descriptors as the system lets this process have.
    rlimit lim{};
    if (::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
        lim.rlim_cur = lim.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &lim);
    }
    std::vector<int> held;
    for (int i = 0; i < n; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        timeval tv{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
            held.push_back(fd);
        else
            ::close(fd);
    }
    std::printf("held %zu\n", held.size());
    std::fflush(stdout);
    char buf[256];
    while (::read(0, buf, sizeof buf) > 0) {
    }
    for (int fd : held) ::close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "listen") == 0) return Listen(argv[2], std::atof(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "send") == 0) return Send(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: qs_handoverpeer listen SOCKET SECONDS | send SOCKET LINE | hold SOCKET N\n");
    return 2;
}
