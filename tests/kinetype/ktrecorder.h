// Test components that write what they receive into a shared log.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcomponent.h"

namespace kttest {

typedef std::vector<std::string> Log;

// A component that logs "name:event" for every event and then runs its hook, if any.
class CRecorder : public CKTComponent {
public:
    CRecorder(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void OnEvent(int nEvent) override {
        m_log.push_back(m_name + ":" + std::to_string(nEvent));
        if (m_hook) m_hook(nEvent);
    }
    Log& m_log;
    std::string m_name;
    std::function<void(int)> m_hook;
};

// A behaviour with a settable event table and property needs that logs its events, its destruction
// and the behaviours it hears dying about.
class CRecordingBhvr : public CKTBehavior {
public:
    CRecordingBhvr(Log& log, std::string name, int nType = 0) : CKTBehavior(nType), m_log(log), m_name(std::move(name)) {}
    ~CRecordingBhvr() override { m_log.push_back(m_name + ":deleted"); }
    void OnEvent(int nEvent) override { m_log.push_back(m_name + ":" + std::to_string(nEvent)); }
    BOOL OnBehaviorDying(CKTBehavior* p) override {
        m_log.push_back(m_name + ":dying-heard");
        return CKTBehavior::OnBehaviorDying(p);
    }
    void OnElementGone(CKTElement*) override { m_nGone++; }
    void Listen(int nEvent, int nPriority) { m_events.Add({nEvent, nPriority}); }
    void NeedElementProp(int nId, int nType) { m_elemPropReqs.Add({nId, nType}); }
    void NeedBookProp(int nId, int nType) { m_bookPropReqs.Add({nId, nType}); }

    Log& m_log;
    std::string m_name;
    int m_nGone = 0;
};

}  // namespace kttest
