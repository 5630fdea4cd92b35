// The system's MIDI input driver: RtMidi on the ALSA sequencer, or on JACK where there is no sequencer.
//
// RtMidi throws RtMidiError when the ALSA sequencer cannot be opened (no /dev/snd/seq, as on machines
// without sound hardware) and prints its errors and warnings to std::cerr; ALSA and JACK print their
// own to stderr. All of it is caught here and kept as the driver's status text, so a machine without
// MIDI starts quietly.
//
// Over JACK, RtMidi opens its client without starting a server; without one, its constructor and every
// later call warn "JACK server not running?" and the port count is 0. On either API the devices are
// the MIDI output ports of the other clients; opening device n makes our own input port and connects
// output port n to it.
// RtMidi then calls back on JACK's process thread.
#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <RtMidi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/midi/midiin.h"

namespace midi {

namespace {

std::atomic<SystemApi> g_api{SystemApi::Auto};
std::atomic<SystemApi> g_apiInUse{SystemApi::Auto};

// ALSA's and JACK's messages would go to stderr; drop them (RtMidi's errors say what failed).
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
void QuietJackMessage(const char*) {}

void QuietLibraries() {
    static std::once_flag s_once;
    std::call_once(s_once, [] {
        snd_lib_error_set_handler(QuietAlsaErrors);
        jack_set_error_function(QuietJackMessage);
        jack_set_info_function(QuietJackMessage);
    });
}

// Sends std::cerr into a string for the lifetime of the guard (RtMidi reports there before it throws,
// and while it is constructed, before an error callback can be set).
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

// Errors RtMidi reports after construction go to the string the user data names (or nowhere) instead
// of std::cerr. With a callback installed RtMidi returns from the failing call instead of throwing.
void RtErrorToString(RtMidiError::Type, const std::string& text, void* pUser) {
    if (pUser) *static_cast<std::string*>(pUser) = Trimmed(text);
}

// A new RtMidiIn on the ALSA sequencer, or NULL with *pWhy saying why (untouched on success).
std::unique_ptr<RtMidiIn> MakeAlsaInput(std::string* pWhy) {
    CCerrCapture capture;
    try {
        return std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Quillstorm");
    } catch (const RtMidiError& e) {
        *pWhy = "ALSA sequencer unavailable: " + Trimmed(e.getMessage());
    } catch (const std::exception& e) {
        *pWhy = std::string("ALSA sequencer unavailable: ") + e.what();
    }
    return nullptr;
}

// A new RtMidiIn connected to a running JACK server, or NULL with *pWhy saying why.
std::unique_ptr<RtMidiIn> MakeJackInput(std::string* pWhy) {
    CCerrCapture capture;
    std::unique_ptr<RtMidiIn> p;
    try {
        p = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "Quillstorm");
    } catch (const RtMidiError& e) {
        *pWhy = "JACK unavailable: " + Trimmed(e.getMessage());
        return nullptr;
    } catch (const std::exception& e) {
        *pWhy = std::string("JACK unavailable: ") + e.what();
        return nullptr;
    }
    // Without a server the constructor warned; a warning in the port count says the same.
    std::string error = Trimmed(capture.Text());
    p->setErrorCallback(RtErrorToString, &error);
    p->getPortCount();
    p->setErrorCallback(RtErrorToString, nullptr);
    if (!error.empty()) {
        *pWhy = "no JACK server: " + error;
        return nullptr;
    }
    return p;
}

// The input of the API in force: a forced one, or ALSA where its sequencer opens and JACK otherwise.
// NULL when neither works, with *pWhy saying why.
std::unique_ptr<RtMidiIn> MakeInput(std::string* pWhy) {
    QuietLibraries();
    const SystemApi api = g_api.load();
    if (api == SystemApi::Alsa || api == SystemApi::Auto) {
        std::string why;
        std::unique_ptr<RtMidiIn> p = MakeAlsaInput(&why);
        if (p || api == SystemApi::Alsa) {
            g_apiInUse = SystemApi::Alsa;
            if (!p) *pWhy = why;
            return p;
        }
        std::string whyJack;
        p = MakeJackInput(&whyJack);
        g_apiInUse = SystemApi::Jack;
        if (!p) *pWhy = why + "; " + whyJack;
        return p;
    }
    g_apiInUse = SystemApi::Jack;
    return MakeJackInput(pWhy);
}

const char* ApiName(SystemApi api) { return api == SystemApi::Jack ? "JACK" : "ALSA"; }

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

    // RtMidi's thread (ALSA's input thread, JACK's process thread).
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
        m_strStatus = n ? std::string() : std::string("no ") + ApiName(g_apiInUse) + " MIDI output port";
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
        if (id >= p->getPortCount()) {
            p->setErrorCallback(RtErrorToString, nullptr);  // `error` goes out of scope
            return MMSYSERR_BADDEVICEID;
        }
        RtMidiIn* pIn = p.get();
        const std::string strName = pIn->getPortName(id);
        error.clear();  // a port without a name still opens
        auto pDevice = std::make_unique<CRtMidiInDevice>(proc, dwInstance, std::move(p));
        pDevice->SetPortName(strName);
        try {
            pIn->ignoreTypes(true, false, false);  // system-exclusive does not fit a short message
            pIn->setCallback(&CRtMidiInDevice::OnMessage, pDevice.get());
            pIn->openPort(id, "Quillstorm input");
        } catch (const RtMidiError& e) {
            pIn->setErrorCallback(RtErrorToString, nullptr);
            m_strStatus = "opening the MIDI output port failed: " + Trimmed(e.getMessage());
            return MMSYSERR_ERROR;
        }
        pIn->setErrorCallback(RtErrorToString, nullptr);  // `error` goes out of scope
        if (!error.empty() || !pIn->isPortOpen()) {
            m_strStatus = "opening the MIDI output port failed: " + error;
            return MMSYSERR_ERROR;
        }
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

void SetSystemApi(SystemApi api) { g_api = api; }
SystemApi GetSystemApi() { return g_api.load(); }
SystemApi SystemApiInUse() { return g_apiInUse.load(); }

}  // namespace midi
