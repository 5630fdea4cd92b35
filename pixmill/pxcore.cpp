#include "pixmill/pxcore.h"

#include <cstring>

#include "platform/afx/afxobj.h"

namespace px {

ThreadState& GetThreadState() {
    // A thread_local cannot fail to get a slot; it is built on the thread's first call and destroyed,
    // with its lists and marker blocks, when the thread ends.
    static thread_local ThreadState s_state;
    return s_state;
}

void SetLastErrorCode(ErrorCode code) { GetThreadState().m_nLastError = static_cast<int>(code); }

DepthGuard::DepthGuard() { ++GetThreadState().m_nDepth; }

DepthGuard::~DepthGuard() { --GetThreadState().m_nDepth; }

bool ProgressStops(UINT done, UINT total, AbortRule rule) {
    const ThreadState& state = GetThreadState();
    if (state.m_nDepth != 1 || !state.m_pfnProgress) return false;
    const BOOL result = state.m_pfnProgress(done, total);
    return rule == AbortRule::OnFalse ? result == 0 : result <= 0;
}

void DebugTrace(const char* text) {
    if (text) TRACE("%s", text);
}

}  // namespace px

int GetLastErrorCode() { return px::GetThreadState().m_nLastError; }

void SetProgressCallback(ProgressCallback callback) { px::GetThreadState().m_pfnProgress = callback; }

void GetLibraryVersion(char* buffer) {
    if (buffer) std::strncpy(buffer, "PX 1.4.9.1", 20);
}

void SetUseDibSection(BOOL flag) { px::GetThreadState().m_bUseDibSection = flag == 1 ? 1 : 0; }
