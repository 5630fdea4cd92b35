// A MIDI input driver for tests: a set number of devices, scripted open results, a log of the calls
// and messages sent by hand. Install it with midi::SetInputDriver.
//
//     midi::CFakeMidiInDriver fake;
//     fake.m_nDevices = 1;
//     midi::CMidiInDriver* pOld = midi::SetInputDriver(&fake);
//     ... midiInOpen ... fake.Send({0x90, 60, 100}) ...
//     midi::SetInputDriver(pOld);
//
// Send delivers on the calling thread (call it from another thread to act as a driver thread); the proc
// must not call back into the fake.
#pragma once

#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "platform/midi/midiin.h"

namespace midi {

class CFakeMidiInDriver : public CMidiInDriver {
public:
    UINT m_nDevices = 0;
    MMRESULT m_openResult = MMSYSERR_NOERROR;  // what Open returns (with no device when not NOERROR)
    std::string m_strStatus;
    // Port names by device id; a device without one is "Fake MIDI In <id>". The capabilities get
    // them cut to MAXPNAMELEN - 1 characters, an open device the full name.
    std::vector<std::string> m_names;

    UINT GetNumDevs() override;
    MMRESULT GetDevCaps(UINT id, MIDIINCAPS* pCaps) override;
    MMRESULT Open(UINT id, MIDIINPROC proc, DWORD_PTR dwInstance, CMidiInDevice** ppDevice) override;
    std::string GetStatusText() override { return m_strStatus; }

    // Sends one raw message through the open device (nothing when none is open).
    void Send(std::initializer_list<unsigned char> bytes);
    void Send(const unsigned char* pBytes, size_t nCount);

    // The calls made, in order: "count", "caps 0", "open 0", "start", "stop", "reset", "close".
    std::vector<std::string> Log() const;
    void ClearLog();
    // The device currently open, or NULL.
    CMidiInDevice* OpenDevice() const;

private:
    class CDevice;
    friend class CDevice;
    void Record(const std::string& what);
    std::string NameOf(UINT id) const;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
    CDevice* m_pOpen = nullptr;
};

}  // namespace midi
