// Faulty scripts that do something to the process they share with the
// host, one fault each, chosen when the library is built (-DFAULT_<NAME>):
// each does its one wrong thing at load, at a press, at a query or at
// unload, and otherwise behaves. POSIX only.
#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "quiet_script.h"

namespace {

[[maybe_unused]] void pauseMilliseconds(long milliseconds)
{
    const struct timespec pause = {milliseconds / 1000, (milliseconds % 1000) * 1000 * 1000};
    nanosleep(&pause, 0);
}

// A write into the first page, which is never mapped (near null, not null
// itself, so that a sanitizer's null check does not stop it first).
[[maybe_unused]] void crash()
{
    volatile int* volatile nowhere = reinterpret_cast<volatile int*>(16);
    *nowhere = 1;
}

#if defined(FAULT_OWN_HANDLER_CRASH)
void ownHandler(int)
{
    static const char said[] = "the script's own crash handler\n";
    (void)!write(2, said, sizeof said - 1);
    _exit(7);
}
#endif

#if defined(FAULT_THREAD_CRASH)
void* crashLater(void*)
{
    pauseMilliseconds(200);
    crash();
    return 0;
}
#endif

#if defined(FAULT_CALLS_FROM_THREAD)
void* sendFromThread(void* host)
{
    static_cast<vesk_client_callback*>(host)->callback(const_cast<char*>("RU 21"), VESK_CODE_COMMAND);
    return 0;
}
#endif

#if defined(FAULT_EXIT_AT_UNLOAD) || defined(FAULT_HANGS_AT_UNLOAD)
// A static object whose destructor runs when the library is unloaded.
struct AtUnload {
    ~AtUnload()
    {
#if defined(FAULT_EXIT_AT_UNLOAD)
        exit(0);
#else
        for (;;)
            pauseMilliseconds(1000);
#endif
    }
} atUnload;
#endif

} // namespace

class ProcessFault : public QuietScript {
public:
    ProcessFault(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        panelLoad("1", "Rig_Vue.vesk_ui", "");
#if defined(FAULT_OWN_HANDLER_CRASH)
        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = ownHandler;
        sigaction(SIGSEGV, &action, 0);
#elif defined(FAULT_BLOCKS_SIGNALS_CRASH)
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, 0);
#elif defined(FAULT_THREAD_CRASH)
        pthread_t thread;
        pthread_create(&thread, 0, crashLater, 0);
        pthread_detach(thread);
#elif defined(FAULT_CLOSES_OUTPUT)
        close(1);
        close(2);
#elif defined(FAULT_REDIRECTS_OUTPUT)
        char name[] = "/tmp/vesk-fault-log-XXXXXX";
        const int log = mkstemp(name);
        if (log >= 0) {
            unlink(name);
            dup2(log, 1);
            close(log);
        }
#elif defined(FAULT_CHANGES_PROCESS)
        (void)!chdir("/");
        setenv("VESK_FAULT", "1", 1);
        setlocale(LC_ALL, "C");
#endif
    }

    void onControl(ControlEvent&) override
    {
#if defined(FAULT_OWN_HANDLER_CRASH) || defined(FAULT_BLOCKS_SIGNALS_CRASH)
        crash();
#elif defined(FAULT_THREAD_CRASH)
        pauseMilliseconds(400);
#elif defined(FAULT_UNDERSCORE_EXIT)
        _exit(0);
#elif defined(FAULT_CALLS_FROM_THREAD)
        // The host waits in this call while another thread calls it.
        pthread_t thread;
        pthread_create(&thread, 0, sendFromThread, host);
        pthread_join(thread, 0);
#elif defined(FAULT_FORKS)
        fork();
#elif defined(FAULT_LEAKS_LARGE)
        // A block this large comes from its own mapping, not the heap's arena.
        char* volatile block = static_cast<char*>(malloc(1 << 20));
        if (block)
            block[0] = 1;
#elif defined(FAULT_FLOODS_REPLIES)
        // A hundred thousand replies held at once, handed back only at the end of the event.
        const int count = 100000;
        void** held = static_cast<void**>(malloc(count * sizeof(void*)));
        for (int i = 0; held && i < count; ++i)
            held[i] = sendRaw("SD 'ZEP SDI Router'");
        for (int i = 0; held && i < count; ++i)
            handBackRaw(held[i]);
        free(held);
#elif defined(FAULT_PRINTS)
        printf("pressed\n");
        fprintf(stderr, "debug: a line of the script's own\n");
#endif
    }

#if defined(FAULT_GARBAGE_ANSWER)
    void* callback(void* data, int code) override
    {
        // An answer that points nowhere the script owns.
        if (code == VESK_CODE_PARENT_QUERY)
            return reinterpret_cast<void*>(static_cast<unsigned long>(0x10));
        return QuietScript::callback(data, code);
    }
#endif
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new ProcessFault(host, path);
}
