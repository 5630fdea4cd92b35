// MIDI input: packing, start/stop gating, the queue's order across threads, and the system driver on a
// machine without MIDI devices and over a JACK server of the test's own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "midi/jacktools.h"
#include "platform/midi/fakemidiin.h"
#include "platform/midi/midiin.h"

namespace {

struct Received {
    std::vector<DWORD> messages;
    std::vector<HMIDIIN> handles;
};

void CALLBACK_Record(HMIDIIN h, UINT wMsg, DWORD_PTR dwInstance, DWORD_PTR p1, DWORD_PTR) {
    auto* r = reinterpret_cast<Received*>(dwInstance);
    if (wMsg != MIM_DATA) return;
    r->messages.push_back(static_cast<DWORD>(p1));
    r->handles.push_back(h);
}

class FakeDriver : public ::testing::Test {
protected:
    void SetUp() override { m_pOld = midi::SetInputDriver(&m_fake); }
    void TearDown() override { midi::SetInputDriver(m_pOld == midi::SystemInputDriver() ? nullptr : m_pOld); }
    midi::CFakeMidiInDriver m_fake;
    midi::CMidiInDriver* m_pOld = nullptr;
};

TEST(MidiPack, PacksAsThePlatform) {
    struct Case {
        std::vector<unsigned char> bytes;
        DWORD packed;
    } cases[] = {
        {{0x90, 60, 100}, 0x00643C90},  // note on
        {{0x80, 60, 0}, 0x00003C80},    // note off
        {{0xC5, 7}, 0x000007C5},        // program change: two bytes
        {{0xF8}, 0x000000F8},           // timing clock: one byte
        {{0xB0, 7, 127, 99}, 0x007F07B0},  // bytes past the third are not part of a short message
        {{}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(midi::PackShortMessage(c.bytes.data(), c.bytes.size()), c.packed);
}

TEST_F(FakeDriver, OpenStartDeliverInOrderOnlyWhileStarted) {
    m_fake.m_nDevices = 1;
    ASSERT_EQ(midiInGetNumDevs(), 1u);
    Received r;
    HMIDIIN h = nullptr;
    ASSERT_EQ(midiInOpen(&h, 0, CALLBACK_Record, reinterpret_cast<DWORD_PTR>(&r)), MMSYSERR_NOERROR);
    ASSERT_NE(h, nullptr);
    MIDIINCAPS caps;
    EXPECT_EQ(midiInGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);

    m_fake.Send({0x90, 1, 1});  // before start: dropped
    ASSERT_EQ(midiInStart(h), MMSYSERR_NOERROR);
    m_fake.Send({0x90, 60, 100});
    m_fake.Send({0xF0, 1, 2, 0xF7});  // system exclusive: not a short message
    m_fake.Send({0xB0, 7, 127, 99});  // four bytes: not a short message either
    m_fake.Send({0x80, 60, 0});
    m_fake.Send({0xC5, 7});           // two bytes: packed with a zero byte
    m_fake.Send({0xF8});              // one byte
    ASSERT_EQ(midiInStop(h), MMSYSERR_NOERROR);
    m_fake.Send({0x90, 2, 2});  // after stop: dropped
    ASSERT_EQ(midiInStart(h), MMSYSERR_NOERROR);
    m_fake.Send({0x91, 3, 3});
    ASSERT_EQ(midiInReset(h), MMSYSERR_NOERROR);
    m_fake.Send({0x90, 4, 4});  // after reset: dropped
    ASSERT_EQ(midiInClose(h), MMSYSERR_NOERROR);
    m_fake.Send({0x90, 5, 5});  // no device

    EXPECT_EQ(r.messages, (std::vector<DWORD>{0x00643C90, 0x00003C80, 0x000007C5, 0x000000F8, 0x00030391}));
    for (HMIDIIN got : r.handles) EXPECT_EQ(got, h);
    EXPECT_EQ(m_fake.Log(), (std::vector<std::string>{"count", "open 0", "caps 0", "start", "stop", "start", "reset",
                                                      "close"}));
    EXPECT_EQ(m_fake.OpenDevice(), nullptr);
}

// The capabilities hold a port name cut to fit their 32 bytes; the open device keeps the whole name.
TEST_F(FakeDriver, TheOpenDeviceKnowsItsWholePortName) {
    const std::string kLong = "A keyboard whose port name is longer than thirty-two characters:port 1";
    struct Case {
        std::vector<std::string> names;
        std::string caps, full;
    } cases[] = {
        {{}, "Fake MIDI In 0", "Fake MIDI In 0"},
        {{kLong}, kLong.substr(0, MAXPNAMELEN - 1), kLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.full);
        m_fake.m_nDevices = 1;
        m_fake.m_names = c.names;
        MIDIINCAPS caps;
        ASSERT_EQ(midiInGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
        EXPECT_EQ(std::string(caps.szPname), c.caps);
        HMIDIIN h = nullptr;
        ASSERT_EQ(midiInOpen(&h, 0, nullptr, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(midiInGetPortName(h), c.full);
        midiInClose(h);
    }
    EXPECT_EQ(midiInGetPortName(nullptr), "");
}

TEST_F(FakeDriver, OpenFailuresLeaveNoHandle) {
    struct Case {
        UINT devices;
        MMRESULT openResult;
        UINT id;
        MMRESULT expected;
    } cases[] = {
        {0, MMSYSERR_NOERROR, 0, MMSYSERR_BADDEVICEID},
        {1, MMSYSERR_NOERROR, 1, MMSYSERR_BADDEVICEID},
        {1, MMSYSERR_ALLOCATED, 0, MMSYSERR_ALLOCATED},
    };
    for (const Case& c : cases) {
        m_fake.m_nDevices = c.devices;
        m_fake.m_openResult = c.openResult;
        HMIDIIN h = reinterpret_cast<HMIDIIN>(1);
        EXPECT_EQ(midiInOpen(&h, c.id, nullptr, 0), c.expected);
        EXPECT_EQ(h, nullptr);
    }
    EXPECT_EQ(midiInOpen(nullptr, 0, nullptr, 0), MMSYSERR_INVALPARAM);
    for (auto f : {midiInStart, midiInStop, midiInReset, midiInClose}) EXPECT_EQ(f(nullptr), MMSYSERR_INVALHANDLE);
    MIDIINCAPS caps;
    EXPECT_EQ(midiInGetDevCaps(0, &caps, sizeof(caps) - 1), MMSYSERR_INVALPARAM);
}

// The proc runs on a driver thread and pushes; the consumer drains on its own thread. Every message
// arrives once, in the order sent, and a wake-up is asked for only when the queue was empty.
TEST_F(FakeDriver, QueueKeepsArrivalOrderAcrossThreads) {
    m_fake.m_nDevices = 1;
    struct Sink {
        midi::CMidiMessageQueue queue;
        std::atomic<int> wakeups{0};
    } sink;
    auto proc = [](HMIDIIN, UINT wMsg, DWORD_PTR inst, DWORD_PTR p1, DWORD_PTR p2) {
        auto* s = reinterpret_cast<Sink*>(inst);
        if (wMsg == MIM_DATA && s->queue.Push(static_cast<DWORD>(p1), static_cast<DWORD>(p2))) ++s->wakeups;
    };
    HMIDIIN h = nullptr;
    ASSERT_EQ(midiInOpen(&h, 0, proc, reinterpret_cast<DWORD_PTR>(&sink)), MMSYSERR_NOERROR);
    midiInStart(h);
    constexpr int kCount = 5000;
    std::thread driver([&] {
        for (int i = 0; i < kCount; ++i)
            m_fake.Send({0x90, static_cast<unsigned char>(i & 0x7F), static_cast<unsigned char>((i >> 7) & 0x7F)});
    });
    std::vector<DWORD> got;
    while (static_cast<int>(got.size()) < kCount) {
        for (const auto& m : sink.queue.Drain()) got.push_back(m.dwMsg);
        std::this_thread::yield();
    }
    driver.join();
    midiInClose(h);
    ASSERT_EQ(static_cast<int>(got.size()), kCount);
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(got[i], 0x90u | static_cast<DWORD>(i & 0x7F) << 8 | static_cast<DWORD>((i >> 7) & 0x7F) << 16) << i;
    EXPECT_GE(sink.wakeups.load(), 1);
    EXPECT_LE(sink.wakeups.load(), kCount);
    EXPECT_EQ(sink.queue.Size(), 0u);
}

// These machines have no sound hardware and no ALSA sequencer: the system driver must report no device,
// say why, and fail opening cleanly. (On a machine with MIDI ports this checks only consistency.)
TEST(SystemDriver, NoDeviceIsAReportedNormalCase) {
    midi::CMidiInDriver* pOld = midi::SetInputDriver(nullptr);
    const UINT n = midiInGetNumDevs();
    if (n == 0) {
        EXPECT_FALSE(midiInGetStatusText().empty());
        HMIDIIN h = reinterpret_cast<HMIDIIN>(1);
        EXPECT_NE(midiInOpen(&h, 0, nullptr, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(h, nullptr);
        MIDIINCAPS caps;
        EXPECT_NE(midiInGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    } else {
        HMIDIIN h = nullptr;
        EXPECT_EQ(midiInOpen(&h, n, nullptr, 0), MMSYSERR_BADDEVICEID);
    }
    midi::SetInputDriver(pOld == midi::SystemInputDriver() ? nullptr : pOld);
}

// ---- the system driver's APIs --------------------------------------------------------------------

// Sends this process's stderr to a scratch file for the guard's lifetime; Text() reads what came.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        m_fdOld = dup(2);
        m_fd = open(m_path, O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (m_fd >= 0) dup2(m_fd, 2);
    }
    ~StderrCapture() {
        Restore();
        if (m_fd >= 0) close(m_fd);
        unlink(m_path);
    }
    std::string Text() {
        Restore();
        std::string text;
        char buf[512];
        lseek(m_fd, 0, SEEK_SET);
        for (ssize_t n; (n = read(m_fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
        return text;
    }

private:
    void Restore() {
        if (m_fdOld >= 0) {
            std::fflush(stderr);
            dup2(m_fdOld, 2);
            close(m_fdOld);
            m_fdOld = -1;
        }
    }
    char m_path[64] = "/tmp/qs-stderr-XXXXXX";
    int m_fd = -1;
    int m_fdOld = -1;
};

// Restores the automatic choice of API and the default driver.
class SystemApiGuard {
public:
    explicit SystemApiGuard(midi::SystemApi api) : m_pOld(midi::SetInputDriver(nullptr)) { midi::SetSystemApi(api); }
    ~SystemApiGuard() {
        midi::SetSystemApi(midi::SystemApi::Auto);
        midi::SetInputDriver(m_pOld == midi::SystemInputDriver() ? nullptr : m_pOld);
    }

private:
    midi::CMidiInDriver* m_pOld;
};

bool HasAlsaSequencer() { return access("/dev/snd/seq", F_OK) == 0; }

// A forced API without its system (no ALSA sequencer here; a JACK server name nobody runs): no
// device, a reason, a failing open, and not a byte on stderr from RtMidi, ALSA or JACK.
TEST(SystemDriver, ForcedApiWithoutItsSystemSaysWhyAndPrintsNothing) {
    jacktest::CJackLock lock;  // no other test's server may be making the shared database meanwhile
    const std::string name = "qs-nobody-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    struct Case {
        midi::SystemApi api;
        const char* why;
    } cases[] = {{midi::SystemApi::Alsa, "ALSA"}, {midi::SystemApi::Jack, "JACK"}};
    for (const Case& c : cases) {
        if (c.api == midi::SystemApi::Alsa && HasAlsaSequencer()) continue;
        SystemApiGuard guard(c.api);
        StderrCapture capture;
        EXPECT_EQ(midiInGetNumDevs(), 0u) << c.why;
        const std::string why = midiInGetStatusText();
        HMIDIIN h = reinterpret_cast<HMIDIIN>(1);
        EXPECT_NE(midiInOpen(&h, 0, nullptr, 0), MMSYSERR_NOERROR);
        EXPECT_EQ(h, nullptr);
        MIDIINCAPS caps;
        EXPECT_NE(midiInGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
        EXPECT_EQ(capture.Text(), "") << c.why;
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
        EXPECT_EQ(midi::SystemApiInUse(), c.api);
    }
    unsetenv("JACK_DEFAULT_SERVER");
}

// A JACK server whose clients have no MIDI output port: no device, and the reason names what the
// program reads (an output port of another client), in the words the README uses.
TEST(SystemDriver, AJackServerWithoutOutputPortsSaysSo) {
    jacktest::CJackServer server;
    std::string why;
    if (!server.Start(&why)) GTEST_SKIP() << why;
    SystemApiGuard guard(midi::SystemApi::Jack);
    EXPECT_EQ(midiInGetNumDevs(), 0u);
    EXPECT_EQ(midiInGetStatusText(), "no JACK MIDI output port");
}

// Over a JACK server of the test's own: the keyboard stand-in's port is device 0; the messages reach
// the proc on JACK's thread, in order, the short ones only, packed as the platform packs them.
TEST(SystemDriver, JackDeviceZeroDeliversShortMessagesInOrder) {
    jacktest::CJackServer server;
    std::string why;
    if (!server.Start(&why)) GTEST_SKIP() << why;
    jacktest::CJackMidiOut keyboard;
    ASSERT_TRUE(keyboard.Start("qs_keyboard", &why)) << why;

    // With no ALSA sequencer the automatic choice is JACK too.
    const midi::SystemApi api = HasAlsaSequencer() ? midi::SystemApi::Jack : midi::SystemApi::Auto;
    SystemApiGuard guard(api);
    ASSERT_GE(midiInGetNumDevs(), 1u) << midiInGetStatusText();
    EXPECT_EQ(midi::SystemApiInUse(), midi::SystemApi::Jack);
    MIDIINCAPS caps;
    ASSERT_EQ(midiInGetDevCaps(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
    EXPECT_EQ(std::string(caps.szPname), keyboard.PortName());

    struct Sink {
        std::mutex mutex;
        std::vector<DWORD> messages;
        std::vector<std::thread::id> threads;
    } sink;
    auto proc = [](HMIDIIN, UINT wMsg, DWORD_PTR inst, DWORD_PTR p1, DWORD_PTR) {
        auto* s = reinterpret_cast<Sink*>(inst);
        if (wMsg != MIM_DATA) return;
        std::lock_guard<std::mutex> lock(s->mutex);
        s->messages.push_back(static_cast<DWORD>(p1));
        s->threads.push_back(std::this_thread::get_id());
    };
    HMIDIIN h = nullptr;
    ASSERT_EQ(midiInOpen(&h, 0, proc, reinterpret_cast<DWORD_PTR>(&sink)), MMSYSERR_NOERROR) << midiInGetStatusText();
    EXPECT_EQ(midiInGetPortName(h), keyboard.PortName());
    ASSERT_EQ(midiInStart(h), MMSYSERR_NOERROR);
    ASSERT_EQ(keyboard.Command("wait"), "connected");

    EXPECT_TRUE(keyboard.Send({0x90, 47, 100}));
    EXPECT_TRUE(keyboard.Send({0xB0, 7, 127, 99}));     // four bytes: dropped
    EXPECT_TRUE(keyboard.Send({0xF0, 0x7E, 1, 0xF7}));  // system exclusive: dropped
    EXPECT_TRUE(keyboard.Send({0xC5, 7}));
    EXPECT_TRUE(keyboard.Send({0x80, 47, 0}));
    const std::vector<DWORD> expected{0x00642F90, 0x000007C5, 0x00002F80};
    for (int i = 0; i < 500; ++i) {
        {
            std::lock_guard<std::mutex> lock(sink.mutex);
            if (sink.messages.size() >= expected.size()) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    keyboard.Command("sleep 100");  // anything late would arrive meanwhile
    EXPECT_EQ(midiInStop(h), MMSYSERR_NOERROR);
    EXPECT_EQ(midiInClose(h), MMSYSERR_NOERROR);
    std::lock_guard<std::mutex> lock(sink.mutex);
    EXPECT_EQ(sink.messages, expected);
    for (std::thread::id id : sink.threads) EXPECT_NE(id, std::this_thread::get_id());
}

}  // namespace
