// Faulty scripts, one fault each, chosen when the library is built
// (-DFAULT_<NAME>): each does its one wrong thing when panel "1" loads and
// a control is pressed (or a query comes), and otherwise behaves.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#if defined(_WIN32)
extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
#else
#include <time.h>
#endif

#include "quiet_script.h"

namespace {

vesk_client_callback* savedHost = 0;

#if defined(FAULT_SENDS_AT_UNLOAD)
// A static object whose destructor, run when the library is unloaded, still
// talks to the host it was once given.
struct AtUnload {
    ~AtUnload()
    {
        if (savedHost)
            savedHost->callback(const_cast<char*>("RU 21"), VESK_CODE_COMMAND);
    }
} atUnload;
#endif

} // namespace

class OneFault : public QuietScript {
public:
    OneFault(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        savedHost = hostLink;
        panelLoad("1", "Rig_Vue.vesk_ui", "");
    }

    void onControl(ControlEvent& event) override
    {
        (void)event;
#if defined(FAULT_KEEPS_NULL_REPLY)
        sendRaw("RN 12 0 4");  // a null reply, never handed back
#elif defined(FAULT_READS_AFTER_RELEASE)
        const char* reply = static_cast<const char*>(sendRaw("SD 'ZEP SDI Router'"));
        handBackRaw(const_cast<char*>(reply));
        seen += reply ? reply[0] : 0;
#elif defined(FAULT_READS_PAST_END)
        const char* reply = static_cast<const char*>(sendRaw("SD 'ZEP SDI Router'"));
        for (int i = 0; reply && i < 64; ++i)
            seen += reply[i];
        handBackRaw(const_cast<char*>(reply));
#elif defined(FAULT_FREES_REPLY)
        free(sendRaw("SD 'ZEP SDI Router'"));
#elif defined(FAULT_KEEPS_RECORD)
        if (kept)
            seen += kept->controlId[0];
        else
            kept = event.record;
#elif defined(FAULT_LEAKS_PER_EVENT)
        leak(32);
#elif defined(FAULT_LEADING_ZERO)
        sendRaw("ET 01 250");
#elif defined(FAULT_TWO_BLANKS)
        sendRaw("RN 12  0 1");
#elif defined(FAULT_DOUBLE_FREE)
        char* volatile block = static_cast<char*>(malloc(24));
        block[0] = 1;
        free(block);
        free(block);
#elif defined(FAULT_DELETES_HOST)
        delete host;
#elif defined(FAULT_EXITS)
        exit(0);
#elif defined(FAULT_PRINTS_AND_DEBUGS)
        // Not a fault: output the host takes per call, printed and through
        // the framework's debugPrint (the debugger's channel on Windows).
        // Through a pointer, so the compiler makes no puts() of it (the
        // C runtime layer of the Microsoft build has printf only).
        int (*volatile print)(const char*, ...) = printf;
        print("pressed\n");
        fflush(0);
        const vesk_string none;
        debugPrint(vesk_string("debugPrint: %1\n"), vesk_string("pressed"), none, none, none, none, none, none,
                   none, none);
#elif defined(FAULT_SLOW) && defined(_WIN32)
        Sleep(200);
#elif defined(FAULT_SLOW)
        const struct timespec pause = {0, 200 * 1000 * 1000};
        nanosleep(&pause, 0);
#endif
    }

    void* callback(void* data, int code) override
    {
#if defined(FAULT_RETURNS_WORD)
        if (code == VESK_CODE_CONTROL || code == VESK_CODE_REVERTIVE || code == VESK_CODE_TIMER) {
            QuietScript::callback(data, code);
            return this;
        }
#endif
#if defined(FAULT_KEEPS_ANSWER) || defined(FAULT_FREES_ANSWER_TWICE)
        if (code == VESK_CODE_RELEASE) {
#if defined(FAULT_FREES_ANSWER_TWICE)
            void* volatile again = data;
            free(data);
            free(again);
#endif
            return 0;
        }
#endif
        return QuietScript::callback(data, code);
    }

    vesk_string onParentQuery(ParentQuery&) override
    {
#if defined(FAULT_LEAKS_PER_QUERY)
        leak(24);
#endif
        return vesk_string("notify=*");
    }

#if defined(FAULT_UNTERMINATED_ANSWER) || defined(FAULT_STATIC_TEXT_ANSWER)
    // The answer made here, past the framework.
    void* answerRaw()
    {
#if defined(FAULT_UNTERMINATED_ANSWER)
        char* answer = static_cast<char*>(malloc(4));
        memcpy(answer, "abcd", 4);  // no room for the NUL
        return answer;
#else
        static char answer[] = "notify=*";  // not heap memory
        return answer;
#endif
    }
#endif

private:
    void leak(size_t size)
    {
        // Kept nowhere: gone for good.
        char* volatile block = static_cast<char*>(malloc(size));
        if (block)
            block[0] = 1;
    }

    int seen = 0;
    const ControlEventRecord* kept = 0;
};

#if defined(FAULT_UNTERMINATED_ANSWER) || defined(FAULT_STATIC_TEXT_ANSWER)
class RawAnswer : public OneFault {
public:
    using OneFault::OneFault;
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_PARENT_QUERY)
            return answerRaw();
        return OneFault::callback(data, code);
    }
};
typedef RawAnswer Script;
#else
typedef OneFault Script;
#endif

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new Script(host, path);
}
