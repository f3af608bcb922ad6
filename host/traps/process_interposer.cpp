// Stands in front of the C library's functions by which a script changes
// the process it shares with the host (process_watch.h): each notes what
// was done, then goes on to the C library's own function (found with
// dlsym(RTLD_NEXT)). pthread_create counts the threads it starts while
// they run; fork() makes the copy lose the host's channels (descriptors 3
// and 4 of a worker) at once, so that it can never speak as the host.
// Linked into vesk_host on glibc builds without sanitizers, which stand in
// front of some of these themselves.
#include <dlfcn.h>
#include <fcntl.h>
#include <locale.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "traps/process_watch.h"

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void __libc_free(void* block);

extern "C" const int vesk_process_interposer_linked = 1;

namespace {

using namespace vesk_host;

template <class Function> Function next(Function& kept, const char* name)
{
    if (!kept)
        kept = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return kept;
}

using process::noteNumber;
using process::noteText;

struct Started {
    void* (*start)(void*);
    void* argument;
};

void* runCounted(void* given)
{
    Started started = *static_cast<Started*>(given);
    __libc_free(given);
    struct Ended {
        ~Ended() { process::threadEnded(); }
    } ended;
    return started.start(started.argument);
}

} // namespace

extern "C" {

int chdir(const char* path)
{
    static int (*real)(const char*);
    noteText(process::workingFolder, "chdir", path);
    return next(real, "chdir")(path);
}

int fchdir(int fd)
{
    static int (*real)(int);
    noteNumber(process::workingFolder, "fchdir", fd);
    return next(real, "fchdir")(fd);
}

int setenv(const char* name, const char* value, int overwrite)
{
    static int (*real)(const char*, const char*, int);
    noteText(process::environment, "setenv", name);
    return next(real, "setenv")(name, value, overwrite);
}

int unsetenv(const char* name)
{
    static int (*real)(const char*);
    noteText(process::environment, "unsetenv", name);
    return next(real, "unsetenv")(name);
}

int putenv(char* text)
{
    static int (*real)(char*);
    noteText(process::environment, "putenv", text);
    return next(real, "putenv")(text);
}

int clearenv()
{
    static int (*real)();
    noteText(process::environment, "clearenv", "");
    return next(real, "clearenv")();
}

char* setlocale(int category, const char* name)
{
    static char* (*real)(int, const char*);
    // Asking (a null name) changes nothing.
    if (name)
        noteText(process::locale, "setlocale", name);
    return next(real, "setlocale")(category, name);
}

mode_t umask(mode_t mask)
{
    static mode_t (*real)(mode_t);
    noteNumber(process::fileMask, "umask", static_cast<long>(mask));
    return next(real, "umask")(mask);
}

int sigaction(int number, const struct sigaction* action, struct sigaction* old)
{
    static int (*real)(int, const struct sigaction*, struct sigaction*);
    if (action)
        noteNumber(process::signalDispositions, "sigaction", number);
    return next(real, "sigaction")(number, action, old);
}

sighandler_t signal(int number, sighandler_t handler)
{
    static sighandler_t (*real)(int, sighandler_t);
    noteNumber(process::signalDispositions, "signal", number);
    return next(real, "signal")(number, handler);
}

int sigprocmask(int how, const sigset_t* set, sigset_t* old)
{
    static int (*real)(int, const sigset_t*, sigset_t*);
    if (set)
        noteNumber(process::signalMask, "sigprocmask", how);
    return next(real, "sigprocmask")(how, set, old);
}

int pthread_sigmask(int how, const sigset_t* set, sigset_t* old)
{
    static int (*real)(int, const sigset_t*, sigset_t*);
    if (set)
        noteNumber(process::signalMask, "pthread_sigmask", how);
    return next(real, "pthread_sigmask")(how, set, old);
}

int close(int fd)
{
    static int (*real)(int);
    if (fd >= 0 && fd <= 2)
        noteNumber(process::descriptors, "close", fd);
    return next(real, "close")(fd);
}

int dup2(int from, int to)
{
    static int (*real)(int, int);
    if (to >= 0 && to <= 2)
        noteNumber(process::descriptors, "dup2 onto", to);
    return next(real, "dup2")(from, to);
}

int dup3(int from, int to, int flags)
{
    static int (*real)(int, int, int);
    if (to >= 0 && to <= 2)
        noteNumber(process::descriptors, "dup3 onto", to);
    return next(real, "dup3")(from, to, flags);
}

pid_t fork()
{
    static pid_t (*real)();
    const bool watched = process::watching();
    const pid_t pid = next(real, "fork")();
    if (pid == 0 && watched) {
        // The copy: the host's channels are not its to use.
        process::enterForkedCopy();
        process::stop();
        static int (*realClose)(int);
        next(realClose, "close")(3);
        next(realClose, "close")(4);
    } else if (pid > 0 && watched) {
        process::note(process::forked, "fork()");
    }
    return pid;
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*), void* argument)
{
    static int (*real)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    if (!process::watching())
        return next(real, "pthread_create")(thread, attributes, start, argument);
    auto* started = static_cast<Started*>(__libc_malloc(sizeof(Started)));
    if (!started)
        return next(real, "pthread_create")(thread, attributes, start, argument);
    *started = Started{start, argument};
    process::threadStarted();
    const int made = next(real, "pthread_create")(thread, attributes, runCounted, started);
    if (made != 0) {
        process::threadEnded();
        __libc_free(started);
    }
    return made;
}

} // extern "C"
