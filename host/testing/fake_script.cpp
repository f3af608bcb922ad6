#include "testing/fake_script.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "traps/heap_watch.h"
#include "vesk_records.h"

FakeScript::Hooks FakeScript::hooks;
std::vector<std::string> FakeScript::received;

void FakeScript::reset()
{
    hooks = Hooks();
    received.clear();
}

vesk_client_callback* VESK_CDECL FakeScript::load(vesk_client_callback* host, const char* path)
{
    {
        vesk_host::heap::HostScope testsOwn;
        received.push_back(std::string("load ") + (path ? path : "(null)"));
    }
    std::unique_ptr<FakeScript> script(new FakeScript(host));
    if (script->hooks_.start)
        script->hooks_.start(*host);
    return script.release();
}

FakeScript::~FakeScript()
{
    if (hooks_.end)
        hooks_.end(*host_);
}

void* FakeScript::callback(void* data, int code)
{
    log(data, code);
    void* answer = hooks_.event ? hooks_.event(*host_, data, code) : nullptr;
    if (code == VESK_CODE_RELEASE)
        std::free(data);
    return answer;
}

void FakeScript::log(const void* data, int code)
{
    // The log is the test's, not the script's heap: the heap watch leaves it out.
    vesk_host::heap::HostScope testsOwn;
    switch (code) {
    case VESK_CODE_REVERTIVE: {
        const auto* record = static_cast<const RevertiveEventRecord*>(data);
        received.push_back("revertive " + std::to_string(record->deviceNumber) + " " +
                           std::to_string(record->entryIndex) + " " + record->contentText);
        break;
    }
    case VESK_CODE_CONTROL: {
        const auto* record = static_cast<const ControlEventRecord*>(data);
        received.push_back(std::string("control ") + record->panelId + " " + record->controlId + " " +
                           record->event->name + "=" + record->event->value);
        break;
    }
    case VESK_CODE_PARENT_QUERY:
        received.push_back(std::string("query ") + (data ? static_cast<const char*>(data) : "(null)"));
        break;
    case VESK_CODE_TIMER:
        received.push_back("timer " + std::to_string(reinterpret_cast<std::intptr_t>(data)));
        break;
    case VESK_CODE_RELEASE:
        received.push_back(std::string("release ") + (data ? static_cast<const char*>(data) : "(null)"));
        break;
    default:
        received.push_back("code " + std::to_string(code));
    }
}

void* sendCommand(vesk_client_callback& host, const char* text)
{
    return host.callback(const_cast<char*>(text), VESK_CODE_COMMAND);
}

void sendAndRelease(vesk_client_callback& host, const char* text)
{
    void* reply = sendCommand(host, text);
    if (reply)
        host.callback(reply, VESK_CODE_RELEASE);
}
