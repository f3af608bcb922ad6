#include "traps/process_watch.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace vesk_host::process {

namespace {

constexpr int kinds = 8;
constexpr std::size_t whatSize = 160;

std::atomic<bool> on{false};
std::atomic<unsigned> noted{0};
std::atomic<int> running{0};
std::atomic<bool> copy{false};
// The first call of each kind since the last take; written once per kind
// (the bit claims it), read by the host after the call.
char firsts[kinds][whatSize];

int indexOf(Change change)
{
    for (int i = 0; i < kinds; ++i)
        if (change == (1u << i))
            return i;
    return 0;
}

} // namespace

#if defined(__ELF__)
// Defined by the interposer where it is linked in.
extern "C" __attribute__((weak)) const int vesk_process_interposer_linked;

bool available() { return &vesk_process_interposer_linked != nullptr; }
#elif defined(_WIN32)
// The hooks in the script's import tables (process_hooks_windows.cpp).
bool available() { return true; }
#else
bool available() { return false; }
#endif

void start() { on = true; }
void stop() { on = false; }
bool watching() { return on.load(std::memory_order_relaxed); }

void note(Change change, const char* what)
{
    if (!watching())
        return;
    if (noted.fetch_or(change) & change)
        return;
    char* slot = firsts[indexOf(change)];
    std::strncpy(slot, what, whatSize - 1);
    slot[whatSize - 1] = '\0';
}

unsigned take() { return noted.exchange(0); }

const char* firstOf(Change change) { return firsts[indexOf(change)]; }

int threadsRunning() { return running.load(); }
void threadStarted() { ++running; }
void threadEnded() { --running; }

bool inForkedCopy() { return copy.load(); }
void enterForkedCopy() { copy = true; }

void noteText(Change change, const char* function, const char* argument)
{
    if (!watching())
        return;
    char what[160];
    std::snprintf(what, sizeof what, "%s(\"%.100s\")", function, argument ? argument : "(null)");
    note(change, what);
}

void noteNumber(Change change, const char* function, long number)
{
    if (!watching())
        return;
    char what[160];
    std::snprintf(what, sizeof what, "%s(%ld)", function, number);
    note(change, what);
}

} // namespace vesk_host::process
