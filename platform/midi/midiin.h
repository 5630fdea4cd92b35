// MIDI input: the platform's input-device calls (device count, capabilities, open, start, stop, reset,
// close) over a driver that can be swapped for tests.
//
// Messages. A short MIDI message arrives packed in one DWORD as the platform packed it:
// status | data1 << 8 | data2 << 16, bytes that the message lacks are 0 (a program change 0xC5 0x07 is
// 0x000007C5). Messages longer than three bytes (system exclusive and anything else) do not fit and are
// not delivered. Each message goes to the
// MIDIINPROC given to midiInOpen with wMsg MIM_DATA, dwParam1 the packed message and dwParam2 the time
// in milliseconds since midiInStart. Opening and closing send nothing.
//
// Threads. The proc runs on the driver's own thread, one message at a time, in arrival order, and only
// between midiInStart and midiInStop / midiInReset / midiInClose. Once midiInStop, midiInReset or
// midiInClose has returned, the proc is not running and is not called again until the next
// midiInStart. A window program hands the messages to its own thread with CMidiMessageQueue (below):
// the proc pushes, the GUI thread drains, and the order stays the order of arrival.
//
// The system's devices are the MIDI output ports of the other clients (a keyboard's port, say): the
// program reads what they send. Where the machine has an ALSA sequencer, its clients' output ports are
// the devices. Where it has none (no /dev/snd/seq, as on machines without sound hardware), the devices
// are the MIDI output ports of the clients of a running JACK server (the server named by
// JACK_DEFAULT_SERVER, else the default one); nothing here starts a server. Tests can force either
// API (SetSystemApi). Device 0 is the first such port.
//
// No device. A machine without MIDI ports, without the ALSA sequencer and without a JACK server is a
// normal case: midiInGetNumDevs() gives 0 and midiInGetStatusText() says why, for a debug trace. No
// call prints, neither ours nor RtMidi's nor JACK's.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/crt/wintypes.h"

typedef UINT MMRESULT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

// Callback messages (the window message carrying MIDI data has the same number).
constexpr UINT MIM_DATA = 0x3C3;
constexpr UINT MM_MIM_DATA = 0x3C3;

constexpr int MAXPNAMELEN = 32;

// The capabilities record in its 8-bit form: 44 bytes.
struct MIDIINCAPS {
    WORD wMid;
    WORD wPid;
    UINT vDriverVersion;
    CHAR szPname[MAXPNAMELEN];  // NUL-terminated, cut to fit
    DWORD dwSupport;
};
static_assert(sizeof(MIDIINCAPS) == 44);

namespace midi {
class CMidiInDevice;
class CMidiInDriver;
}  // namespace midi

typedef midi::CMidiInDevice* HMIDIIN;

// Called on the driver's thread (see above).
typedef void (*MIDIINPROC)(HMIDIIN hMidiIn, UINT wMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1, DWORD_PTR dwParam2);

// The platform's calls, on the current driver (midi::GetInputDriver).
UINT midiInGetNumDevs();
MMRESULT midiInGetDevCaps(UINT_PTR uDeviceID, MIDIINCAPS* pmic, UINT cbmic);
// On success *phmi is the open device; on failure it is NULL. proc may be NULL (messages are dropped).
MMRESULT midiInOpen(HMIDIIN* phmi, UINT uDeviceID, MIDIINPROC proc, DWORD_PTR dwInstance);
MMRESULT midiInStart(HMIDIIN hmi);
MMRESULT midiInStop(HMIDIIN hmi);
MMRESULT midiInReset(HMIDIIN hmi);
// Closes and frees the device: hmi is invalid afterwards.
MMRESULT midiInClose(HMIDIIN hmi);
// Why the current driver has the devices it has ("" when there is nothing to say): "no JACK MIDI
// output port", "ALSA sequencer unavailable: ...".
std::string midiInGetStatusText();
// The full name of the port the open device reads (not cut to MAXPNAMELEN as in the capabilities);
// "" for no device or a driver that names none.
std::string midiInGetPortName(HMIDIIN hmi);

namespace midi {

// status | data1 << 8 | data2 << 16 of the first three bytes (missing bytes are 0; 0 for no bytes).
DWORD PackShortMessage(const unsigned char* pBytes, size_t nCount);

// An open input device. The base keeps the start state and the time base and calls the proc; drivers
// feed it raw messages through Deliver from whatever thread they receive them on.
class CMidiInDevice {
public:
    CMidiInDevice(MIDIINPROC proc, DWORD_PTR dwInstance) : m_proc(proc), m_dwInstance(dwInstance) {}
    virtual ~CMidiInDevice() = default;
    CMidiInDevice(const CMidiInDevice&) = delete;
    CMidiInDevice& operator=(const CMidiInDevice&) = delete;

    virtual MMRESULT Start();
    virtual MMRESULT Stop();
    virtual MMRESULT Reset();
    // Stops input for good; after it returns Deliver does nothing. midiInClose then deletes the device.
    virtual MMRESULT Close();

    bool IsStarted() const;
    // The full name of the port this device reads; the driver sets it when it opens the device.
    const std::string& GetPortName() const { return m_strPortName; }
    void SetPortName(std::string strName) { m_strPortName = std::move(strName); }

protected:
    // One raw message (status byte first). Dropped unless started; system-exclusive messages (0xF0)
    // and messages of more than three bytes are dropped too. Serialised against Start, Stop, Reset
    // and Close.
    void Deliver(const unsigned char* pBytes, size_t nCount);
    // Milliseconds since the epoch of the monotonic clock.
    static unsigned long long NowMs();

private:
    MIDIINPROC m_proc;
    DWORD_PTR m_dwInstance;
    mutable std::mutex m_mutex;
    bool m_bStarted = false;
    bool m_bClosed = false;
    unsigned long long m_startMs = 0;
    std::string m_strPortName;
};

// A source of input devices.
class CMidiInDriver {
public:
    virtual ~CMidiInDriver() = default;
    virtual UINT GetNumDevs() = 0;
    virtual MMRESULT GetDevCaps(UINT id, MIDIINCAPS* pCaps) = 0;
    // A new open device (owned by the caller, freed by midiInClose), or an error and *ppDevice NULL.
    virtual MMRESULT Open(UINT id, MIDIINPROC proc, DWORD_PTR dwInstance, CMidiInDevice** ppDevice) = 0;
    virtual std::string GetStatusText() { return std::string(); }
};

// The system's driver: RtMidi over the ALSA sequencer, else over JACK. One for the process, made on
// first use.
CMidiInDriver* SystemInputDriver();

// Which API the system's driver uses: Auto (ALSA where the sequencer opens, else JACK), or one of them
// forced (for tests). Set it while no system device is open.
enum class SystemApi { Auto, Alsa, Jack };
void SetSystemApi(SystemApi api);
SystemApi GetSystemApi();
// The API the last call of the system's driver used (Auto before the first call): what Auto chose.
SystemApi SystemApiInUse();
// The driver the platform calls use: the system's unless a test installed another.
CMidiInDriver* GetInputDriver();
// Installs pDriver (NULL: the system's again) and returns the previous one. Not thread-safe: call it
// while no device is open.
CMidiInDriver* SetInputDriver(CMidiInDriver* pDriver);

// Hands packed messages from the driver's thread to the GUI thread in arrival order.
//   proc (driver thread):  if (queue.Push(msg, time)) <ask the GUI thread to call Drain>;
//   GUI thread:            for (auto& m : queue.Drain()) handle(m);
// Push returns true when the queue was empty, so one wake-up is asked for per batch.
class CMidiMessageQueue {
public:
    struct Message {
        DWORD dwMsg;
        DWORD dwTime;
    };
    bool Push(DWORD dwMsg, DWORD dwTime);
    // Every queued message, oldest first; the queue is empty afterwards.
    std::vector<Message> Drain();
    void Clear();
    size_t Size() const;

private:
    mutable std::mutex m_mutex;
    std::deque<Message> m_messages;
};

}  // namespace midi
