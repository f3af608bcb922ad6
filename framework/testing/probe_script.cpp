#include "probe_script.h"

#include <cstdint>

void ProbeScript::onControl(ControlEvent& event)
{
    calls.push_back(std::string("control ") + event.panelId().c_str() + " " + event.controlId().c_str() + " " +
                    event.eventName().c_str() + "=" + event.eventValue().c_str());
}

int ProbeScript::onRevertive(RevertiveEvent& event)
{
    calls.push_back("revertive " + std::to_string(event.deviceNumber()) + " " + std::to_string(event.entryIndex()) +
                    " " + event.contentText().c_str());
    return 7;
}

vesk_string ProbeScript::onParentQuery(ParentQuery& query)
{
    calls.push_back(std::string("query ") + query.queryName().c_str() + "=" + query.queryValue().c_str());
    return answer.c_str();
}

void ProbeScript::onCode7(CallbackWord& word)
{
    calls.push_back("code7 " + std::to_string(reinterpret_cast<std::intptr_t>(word.data)));
}

void ProbeScript::onTimer(int id) { calls.push_back("timer " + std::to_string(id)); }

void ProbeScript::onCode6(CallbackWord& word)
{
    calls.push_back("code6 " + std::to_string(reinterpret_cast<std::intptr_t>(word.data)));
}
