// The platform calls, the device base and the message queue.
#include "platform/midi/midiin.h"

#include <chrono>

namespace midi {

namespace {
CMidiInDriver* g_pDriver = nullptr;  // NULL: the system's driver
}

DWORD PackShortMessage(const unsigned char* pBytes, size_t nCount) {
    DWORD msg = 0;
    for (size_t i = 0; i < nCount && i < 3; ++i) msg |= static_cast<DWORD>(pBytes[i]) << (8 * i);
    return msg;
}

unsigned long long CMidiInDevice::NowMs() {
    using namespace std::chrono;
    return static_cast<unsigned long long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

MMRESULT CMidiInDevice::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bClosed) return MMSYSERR_INVALHANDLE;
    if (!m_bStarted) {
        m_bStarted = true;
        m_startMs = NowMs();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT CMidiInDevice::Stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bClosed) return MMSYSERR_INVALHANDLE;
    m_bStarted = false;
    return MMSYSERR_NOERROR;
}

MMRESULT CMidiInDevice::Reset() { return CMidiInDevice::Stop(); }

MMRESULT CMidiInDevice::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStarted = false;
    m_bClosed = true;
    return MMSYSERR_NOERROR;
}

bool CMidiInDevice::IsStarted() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStarted;
}

void CMidiInDevice::Deliver(const unsigned char* pBytes, size_t nCount) {
    if (!pBytes || nCount == 0 || nCount > 3 || pBytes[0] == 0xF0) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_bStarted || m_bClosed || !m_proc) return;
    const DWORD dwTime = static_cast<DWORD>(NowMs() - m_startMs);
    m_proc(this, MIM_DATA, m_dwInstance, PackShortMessage(pBytes, nCount), dwTime);
}

CMidiInDriver* GetInputDriver() { return g_pDriver ? g_pDriver : SystemInputDriver(); }

CMidiInDriver* SetInputDriver(CMidiInDriver* pDriver) {
    CMidiInDriver* pOld = GetInputDriver();
    g_pDriver = pDriver;
    return pOld;
}

bool CMidiMessageQueue::Push(DWORD dwMsg, DWORD dwTime) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const bool bWasEmpty = m_messages.empty();
    m_messages.push_back({dwMsg, dwTime});
    return bWasEmpty;
}

std::vector<CMidiMessageQueue::Message> CMidiMessageQueue::Drain() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Message> out(m_messages.begin(), m_messages.end());
    m_messages.clear();
    return out;
}

void CMidiMessageQueue::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
}

size_t CMidiMessageQueue::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages.size();
}

}  // namespace midi

using midi::GetInputDriver;

UINT midiInGetNumDevs() { return GetInputDriver()->GetNumDevs(); }

MMRESULT midiInGetDevCaps(UINT_PTR uDeviceID, MIDIINCAPS* pmic, UINT cbmic) {
    if (!pmic || cbmic < sizeof(MIDIINCAPS)) return MMSYSERR_INVALPARAM;
    if (uDeviceID > 0xFFFFFFFFu) return MMSYSERR_BADDEVICEID;
    return GetInputDriver()->GetDevCaps(static_cast<UINT>(uDeviceID), pmic);
}

MMRESULT midiInOpen(HMIDIIN* phmi, UINT uDeviceID, MIDIINPROC proc, DWORD_PTR dwInstance) {
    if (!phmi) return MMSYSERR_INVALPARAM;
    *phmi = nullptr;
    midi::CMidiInDevice* pDevice = nullptr;
    const MMRESULT r = GetInputDriver()->Open(uDeviceID, proc, dwInstance, &pDevice);
    if (r != MMSYSERR_NOERROR) {
        delete pDevice;
        return r;
    }
    if (!pDevice) return MMSYSERR_ERROR;
    *phmi = pDevice;
    return MMSYSERR_NOERROR;
}

MMRESULT midiInStart(HMIDIIN hmi) { return hmi ? hmi->Start() : MMSYSERR_INVALHANDLE; }
MMRESULT midiInStop(HMIDIIN hmi) { return hmi ? hmi->Stop() : MMSYSERR_INVALHANDLE; }
MMRESULT midiInReset(HMIDIIN hmi) { return hmi ? hmi->Reset() : MMSYSERR_INVALHANDLE; }

MMRESULT midiInClose(HMIDIIN hmi) {
    if (!hmi) return MMSYSERR_INVALHANDLE;
    const MMRESULT r = hmi->Close();
    delete hmi;
    return r;
}

std::string midiInGetStatusText() { return GetInputDriver()->GetStatusText(); }

std::string midiInGetPortName(HMIDIIN hmi) { return hmi ? hmi->GetPortName() : std::string(); }
