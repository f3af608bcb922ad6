// Construction, destruction and the dispatcher of vesk_script_helper.
#include "vesk_script_helper.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

vesk_script_helper::vesk_script_helper(vesk_client_callback* hostLink, const char* folder)
    : host(hostLink), path(folder), alarmHandling(false), alarmActionRunning(false)
{
}

vesk_script_helper::~vesk_script_helper() { scriptClose(); }

void* vesk_script_helper::operator new(size_t size) noexcept { return malloc(size); }

void vesk_script_helper::operator delete(void* block) noexcept { free(block); }

void vesk_script_helper::onCode7(CallbackWord&) {}

void vesk_script_helper::onCode6(CallbackWord&) {}

void* vesk_script_helper::answerParentQuery(const char* text)
{
    DottedName parsed(text);
    ParentQuery query = {&parsed};
    vesk_string answer = onParentQuery(query);
    unsigned length = answer.length();
    if (length == 0)
        return 0;
    // The host hands this buffer back with code 5; it is freed there.
    char* buffer = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
    if (buffer)
        memcpy(buffer, answer.c_str(), static_cast<size_t>(length) + 1);
    return buffer;
}

void* vesk_script_helper::callback(void* data, int code)
{
    switch (code) {
    case VESK_CODE_REVERTIVE:
        if (data) {
            RevertiveEvent event = {static_cast<const RevertiveEventRecord*>(data)};
            onRevertive(event);
        }
        return 0;
    case VESK_CODE_CONTROL:
        if (data) {
            ControlEvent event = {static_cast<const ControlEventRecord*>(data)};
            if (!alarmHandling || !interceptAlarm(event))
                onControl(event);
        }
        return 0;
    case VESK_CODE_PARENT_QUERY:
        return answerParentQuery(static_cast<const char*>(data));
    case VESK_CODE_TIMER:
        // The id travels in the pointer-sized word itself.
        onTimer(static_cast<int>(reinterpret_cast<intptr_t>(data)));
        return 0;
    case VESK_CODE_RELEASE:
        free(data);
        return 0;
    case VESK_CODE_6: {
        CallbackWord word = {data};
        onCode6(word);
        return 0;
    }
    case VESK_CODE_7: {
        CallbackWord word = {data};
        onCode7(word);
        return 0;
    }
    default:
        return 0;
    }
}

// The framework's signature text, kept in every script binary that links
// the framework (this file is always linked). Nothing reads it.
extern "C" {
extern const char vesk_script_helper_signature[];
const char vesk_script_helper_signature[] =
    "VESK_SIG,name=vesk_script_helper,type=LIB,version=4.8.6.0,date=16/06/2017,author=Rig_Vue team";
}
