// JACK for the tests: a server of their own and a MIDI keyboard stand-in on it.
//
//     CJackServer server;                  // jackd -n <unique name> -r -d dummy, JACK_DEFAULT_SERVER set
//     if (!server.Start(&why)) GTEST_SKIP() << why;
//     CJackMidiOut keyboard;               // tests/midi/helper/jackmidiout.cpp, on that server
//     ASSERT_TRUE(keyboard.Start("kbd", &why)) << why;
//     ... open the input ... keyboard.Command("wait") == "connected" ... keyboard.Send({0x90, 47, 100});
//
// The server is stopped by its own pid when the object goes (SIGTERM, then SIGKILL after 5 s), the
// helper by closing its stdin and waiting for it. Both need jackd2 and libjack-jackd2-dev.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#ifndef QS_JACKMIDIOUT
#error "QS_JACKMIDIOUT names the helper program"
#endif

namespace jacktest {

// A child process running argv, with its stdin and stdout as pipes of ours (stderr to pszErrFile, or
// inherited). pid -1 when it could not be started.
struct Child {
    pid_t pid = -1;
    int fdIn = -1;   // writes to the child's stdin
    int fdOut = -1;  // reads the child's stdout

    bool Spawn(const std::vector<std::string>& args, bool bPipes, const char* pszErrFile) {
        int in[2] = {-1, -1}, out[2] = {-1, -1};
        if (bPipes && (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)) return false;
        pid = fork();
        if (pid < 0) return false;
        if (pid == 0) {
            if (bPipes) {
                dup2(in[0], 0);
                dup2(out[1], 1);
            } else {
                const int devnull = open("/dev/null", O_RDWR);
                dup2(devnull, 0);
                dup2(devnull, 1);
            }
            if (pszErrFile) {
                const int err = open(pszErrFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (err >= 0) dup2(err, 2);
            }
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        if (bPipes) {
            close(in[0]);
            close(out[1]);
            fdIn = in[1];
            fdOut = out[0];
        }
        return true;
    }

    // One line of the child's stdout, without its end ("" when it ended).
    std::string ReadLine() {
        std::string line;
        char c;
        while (fdOut >= 0 && read(fdOut, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    bool WriteLine(const std::string& line) {
        const std::string s = line + "\n";
        return fdIn >= 0 && write(fdIn, s.data(), s.size()) == static_cast<ssize_t>(s.size());
    }

    // Waits up to nMs for the child to end; true when it did (and was reaped).
    bool WaitEnd(int nMs) {
        for (int i = 0; pid > 0 && i <= nMs / 10; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return pid <= 0;
    }

    void CloseStdin() {
        if (fdIn >= 0) close(fdIn);
        fdIn = -1;
    }

    // Ends the child by its pid: sig, then SIGKILL when it does not end within nMs.
    void Stop(int sig, int nMs) {
        CloseStdin();
        if (pid > 0) {
            if (sig) kill(pid, sig);
            if (!WaitEnd(nMs)) {
                kill(pid, SIGKILL);
                WaitEnd(5000);
            }
        }
        if (fdOut >= 0) close(fdOut);
        fdOut = -1;
    }
};

inline bool OnPath(const char* program) {
    const std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// A JACK server of the test's own on the dummy driver (no sound hardware), its name unique to the
// process, made the default server of this process (JACK_DEFAULT_SERVER) and of the children it starts.
// Every JACK server and client of one process shares the user's metadata database in /dev/shm; a
// client that opens it while another test's server is creating it reads a half-made file (libdb says
// "mmap: Invalid argument" on stderr). Tests that start a server or talk to JACK hold this lock, one
// file of the user's across every test process, for as long as JACK is in use.
class CJackLock {
public:
    CJackLock() {
        const std::string path = "/tmp/qs-jack-tests-" + std::to_string(getuid()) + ".lock";
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~CJackLock() {
        if (m_fd >= 0) close(m_fd);
    }
    CJackLock(const CJackLock&) = delete;
    CJackLock& operator=(const CJackLock&) = delete;

private:
    int m_fd = -1;
};

class CJackServer {
    CJackLock m_lock;  // first member: taken before the server starts, given up after it stopped

public:
    CJackServer() {
        static int s_count = 0;
        m_strName = "qs-test-" + std::to_string(getpid()) + "-" + std::to_string(++s_count);
    }
    ~CJackServer() { Stop(); }
    CJackServer(const CJackServer&) = delete;
    CJackServer& operator=(const CJackServer&) = delete;

    const std::string& Name() const { return m_strName; }

    // false with *pWhy when jackd is missing or the server does not come up within 10 s.
    bool Start(std::string* pWhy) {
        if (!OnPath("jackd") || !OnPath("jack_wait")) {
            *pWhy = "jackd is not installed (packages jackd2, libjack-jackd2-dev)";
            return false;
        }
        if (const char* pOld = getenv("JACK_DEFAULT_SERVER")) m_strOldDefault = pOld;
        m_bEnvSet = true;
        setenv("JACK_DEFAULT_SERVER", m_strName.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        const std::string log = "/tmp/" + m_strName + ".log";
        // A client timeout of 10 s: on a loaded machine (tests run in parallel) the default half
        // second makes the server refuse or drop the test's clients.
        if (!m_server.Spawn({"jackd", "-n", m_strName, "-r", "-t", "10000", "-d", "dummy"}, false, log.c_str())) {
            *pWhy = "jackd could not be started";
            return false;
        }
        Child wait;
        wait.Spawn({"jack_wait", "-w", "-t", "10", "-s", m_strName}, false, "/dev/null");
        int status = 1;
        if (wait.pid > 0) waitpid(wait.pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            *pWhy = "the JACK server " + m_strName + " did not come up (see " + log + ")";
            Stop();
            return false;
        }
        std::remove(log.c_str());
        return true;
    }

    // Stops the server and gives the process its previous default server back.
    void Stop() {
        m_server.Stop(SIGTERM, 5000);
        if (m_bEnvSet) {
            if (m_strOldDefault.empty())
                unsetenv("JACK_DEFAULT_SERVER");
            else
                setenv("JACK_DEFAULT_SERVER", m_strOldDefault.c_str(), 1);
            m_bEnvSet = false;
        }
    }

private:
    std::string m_strName;
    std::string m_strOldDefault;
    bool m_bEnvSet = false;
    Child m_server;
};

// The keyboard stand-in (qs_jackmidiout) on the default JACK server.
class CJackMidiOut {
public:
    ~CJackMidiOut() { Stop(); }

    // Starts the helper as JACK client strClient and waits for its port.
    bool Start(const std::string& strClient, std::string* pWhy) {
        m_strClient = strClient;
        if (!m_child.Spawn({QS_JACKMIDIOUT, strClient}, true, nullptr)) {
            *pWhy = "the helper could not be started";
            return false;
        }
        const std::string line = m_child.ReadLine();
        if (line != "ready") {
            *pWhy = "the helper did not open its port (said \"" + line + "\")";
            return false;
        }
        return true;
    }

    // The port's full name: "client:out".
    std::string PortName() const { return m_strClient + ":out"; }

    // One command and its answer.
    std::string Command(const std::string& strCommand) {
        if (!m_child.WriteLine(strCommand)) return std::string();
        return m_child.ReadLine();
    }

    bool Send(std::initializer_list<unsigned> bytes) {
        std::string s = "send";
        char buf[8];
        for (unsigned b : bytes) {
            std::snprintf(buf, sizeof buf, " %02X", b);
            s += buf;
        }
        return Command(s) == "ok";
    }

    // Ends the helper (it lets JACK deliver what it sent first).
    void Stop() {
        if (m_child.pid > 0) m_child.WriteLine("quit");
        m_child.CloseStdin();
        if (!m_child.WaitEnd(5000)) m_child.Stop(SIGTERM, 2000);
        m_child.Stop(0, 0);
    }

private:
    std::string m_strClient;
    Child m_child;
};

}  // namespace jacktest
