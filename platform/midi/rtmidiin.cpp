// The system's MIDI input driver: RtMidi on the ALSA sequencer.
//
// RtMidi throws RtMidiError when the sequencer cannot be opened (no /dev/snd/seq, as on machines
// without sound hardware) and prints its errors to std::cerr; ALSA prints its own to stderr. Both are
// caught here and kept as the driver's status text, so a machine without MIDI starts quietly.
#include <alsa/asoundlib.h>

#include <RtMidi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/midi/midiin.h"

namespace midi {

namespace {

// ALSA's messages would go to stderr; drop them (RtMidi's exception says what failed).
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

// Sends std::cerr into a string for the lifetime of the guard (RtMidi reports there before it throws).
class CCerrCapture {
public:
    CCerrCapture() : m_pOld(std::cerr.rdbuf(m_buffer.rdbuf())) {}
    ~CCerrCapture() { std::cerr.rdbuf(m_pOld); }
    std::string Text() const { return m_buffer.str(); }

private:
    std::ostringstream m_buffer;
    std::streambuf* m_pOld;
};

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == '\n' || s[i] == ' ')) ++i;
    return s.substr(i);
}

// A new RtMidiIn on ALSA, or NULL with *pWhy saying why (untouched on success).
std::unique_ptr<RtMidiIn> MakeInput(std::string* pWhy) {
    static std::once_flag s_once;
    std::call_once(s_once, [] { snd_lib_error_set_handler(QuietAlsaErrors); });
    CCerrCapture capture;
    try {
        auto p = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Quillstorm");
        return p;
    } catch (const RtMidiError& e) {
        *pWhy = "ALSA sequencer unavailable: " + Trimmed(e.getMessage());
    } catch (const std::exception& e) {
        *pWhy = std::string("ALSA sequencer unavailable: ") + e.what();
    }
    return nullptr;
}

// Errors RtMidi reports after construction go to the string the user data names (or nowhere) instead
// of std::cerr. With a callback installed RtMidi returns from the failing call instead of throwing.
void RtErrorToString(RtMidiError::Type, const std::string& text, void* pUser) {
    if (pUser) *static_cast<std::string*>(pUser) = Trimmed(text);
}

class CRtMidiInDevice : public CMidiInDevice {
public:
    CRtMidiInDevice(MIDIINPROC proc, DWORD_PTR dwInstance, std::unique_ptr<RtMidiIn> pIn)
        : CMidiInDevice(proc, dwInstance), m_pIn(std::move(pIn)) {}
    ~CRtMidiInDevice() override { CRtMidiInDevice::Close(); }

    MMRESULT Close() override {
        const MMRESULT r = CMidiInDevice::Close();  // no message reaches the proc from here on
        if (m_pIn) {
            CCerrCapture capture;
            try {
                m_pIn->cancelCallback();
                m_pIn->closePort();
            } catch (const std::exception&) {
            }
            m_pIn.reset();
        }
        return r;
    }

    static void OnMessage(double, std::vector<unsigned char>* pMessage, void* pUser) {
        if (!pMessage || pMessage->empty()) return;
        static_cast<CRtMidiInDevice*>(pUser)->Deliver(pMessage->data(), pMessage->size());
    }

private:
    std::unique_ptr<RtMidiIn> m_pIn;
};

class CRtMidiInDriver : public CMidiInDriver {
public:
    UINT GetNumDevs() override {
        std::unique_ptr<RtMidiIn> p = MakeInput(&m_strStatus);
        if (!p) return 0;
        p->setErrorCallback(RtErrorToString, nullptr);
        const unsigned n = p->getPortCount();
        m_strStatus = n ? std::string() : "no ALSA MIDI input port";
        return n;
    }

    MMRESULT GetDevCaps(UINT id, MIDIINCAPS* pCaps) override {
        std::unique_ptr<RtMidiIn> p = MakeInput(&m_strStatus);
        if (!p) return MMSYSERR_NODRIVER;
        p->setErrorCallback(RtErrorToString, nullptr);
        if (id >= p->getPortCount()) return MMSYSERR_BADDEVICEID;
        std::memset(pCaps, 0, sizeof(*pCaps));
        const std::string name = p->getPortName(id);
        std::snprintf(pCaps->szPname, sizeof(pCaps->szPname), "%s", name.c_str());
        return MMSYSERR_NOERROR;
    }

    MMRESULT Open(UINT id, MIDIINPROC proc, DWORD_PTR dwInstance, CMidiInDevice** ppDevice) override {
        *ppDevice = nullptr;
        std::unique_ptr<RtMidiIn> p = MakeInput(&m_strStatus);
        if (!p) return MMSYSERR_NODRIVER;
        std::string error;
        p->setErrorCallback(RtErrorToString, &error);
        if (id >= p->getPortCount()) return MMSYSERR_BADDEVICEID;
        RtMidiIn* pIn = p.get();
        auto pDevice = std::make_unique<CRtMidiInDevice>(proc, dwInstance, std::move(p));
        try {
            pIn->ignoreTypes(true, false, false);  // system-exclusive does not fit a short message
            pIn->setCallback(&CRtMidiInDevice::OnMessage, pDevice.get());
            pIn->openPort(id, "Quillstorm input");
        } catch (const RtMidiError& e) {
            m_strStatus = "opening MIDI port failed: " + Trimmed(e.getMessage());
            return MMSYSERR_ERROR;
        }
        if (!error.empty() || !pIn->isPortOpen()) {
            m_strStatus = "opening MIDI port failed: " + error;
            return MMSYSERR_ERROR;
        }
        pIn->setErrorCallback(RtErrorToString, nullptr);  // `error` goes out of scope
        *ppDevice = pDevice.release();
        return MMSYSERR_NOERROR;
    }

    std::string GetStatusText() override { return m_strStatus; }

private:
    std::string m_strStatus;
};

}  // namespace

CMidiInDriver* SystemInputDriver() {
    static CRtMidiInDriver s_driver;
    return &s_driver;
}

}  // namespace midi
