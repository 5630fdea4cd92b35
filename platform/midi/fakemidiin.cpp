#include "platform/midi/fakemidiin.h"

#include <cstdio>
#include <cstring>

namespace midi {

class CFakeMidiInDriver::CDevice : public CMidiInDevice {
public:
    CDevice(CFakeMidiInDriver* pDriver, MIDIINPROC proc, DWORD_PTR dwInstance)
        : CMidiInDevice(proc, dwInstance), m_pDriver(pDriver) {}
    ~CDevice() override {
        std::lock_guard<std::mutex> lock(m_pDriver->m_mutex);
        if (m_pDriver->m_pOpen == this) m_pDriver->m_pOpen = nullptr;
    }
    MMRESULT Start() override {
        m_pDriver->Record("start");
        return CMidiInDevice::Start();
    }
    MMRESULT Stop() override {
        m_pDriver->Record("stop");
        return CMidiInDevice::Stop();
    }
    MMRESULT Reset() override {
        m_pDriver->Record("reset");
        return CMidiInDevice::Reset();
    }
    MMRESULT Close() override {
        m_pDriver->Record("close");
        return CMidiInDevice::Close();
    }
    void Feed(const unsigned char* pBytes, size_t nCount) { Deliver(pBytes, nCount); }

private:
    CFakeMidiInDriver* m_pDriver;
};

void CFakeMidiInDriver::Record(const std::string& what) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.push_back(what);
}

UINT CFakeMidiInDriver::GetNumDevs() {
    Record("count");
    return m_nDevices;
}

MMRESULT CFakeMidiInDriver::GetDevCaps(UINT id, MIDIINCAPS* pCaps) {
    Record("caps " + std::to_string(id));
    if (id >= m_nDevices) return MMSYSERR_BADDEVICEID;
    std::memset(pCaps, 0, sizeof(*pCaps));
    std::snprintf(pCaps->szPname, sizeof(pCaps->szPname), "%s", NameOf(id).c_str());
    return MMSYSERR_NOERROR;
}

std::string CFakeMidiInDriver::NameOf(UINT id) const {
    if (id < m_names.size()) return m_names[id];
    return "Fake MIDI In " + std::to_string(id);
}

MMRESULT CFakeMidiInDriver::Open(UINT id, MIDIINPROC proc, DWORD_PTR dwInstance, CMidiInDevice** ppDevice) {
    Record("open " + std::to_string(id));
    *ppDevice = nullptr;
    if (id >= m_nDevices) return MMSYSERR_BADDEVICEID;
    if (m_openResult != MMSYSERR_NOERROR) return m_openResult;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pOpen) return MMSYSERR_ALLOCATED;
    m_pOpen = new CDevice(this, proc, dwInstance);
    m_pOpen->SetPortName(NameOf(id));
    *ppDevice = m_pOpen;
    return MMSYSERR_NOERROR;
}

void CFakeMidiInDriver::Send(std::initializer_list<unsigned char> bytes) { Send(bytes.begin(), bytes.size()); }

void CFakeMidiInDriver::Send(const unsigned char* pBytes, size_t nCount) {
    // Held while feeding, so the device cannot be freed under the call (its destructor takes it too).
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pOpen) m_pOpen->Feed(pBytes, nCount);
}

std::vector<std::string> CFakeMidiInDriver::Log() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void CFakeMidiInDriver::ClearLog() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
}

CMidiInDevice* CFakeMidiInDriver::OpenDevice() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pOpen;
}

}  // namespace midi
