// Where the platform has no fatal watch yet (Windows builds, where the
// validator's child processes report crashes with their exception code).
#include "traps/fatal_watch.h"

#include <cstring>

namespace vesk_host::fatal {

bool available() { return false; }
void install(Sink, double) {}
void reclaimSignals() {}
void arm() {}
void disarm() {}
void callStarted(const HostEvent&, std::int64_t) {}
void callEnded() {}
void libraryCodeStarted(const char*, std::int64_t) {}
void libraryCodeEnded() {}
void stepStarted(int, std::string_view) {}
void stepEnded() {}
void commandSent(std::string_view) {}

void describe(Report& into, const Rule* rule, const char* what)
{
    into.rule = rule;
    std::strncpy(into.message, what, sizeof into.message - 1);
    into.message[sizeof into.message - 1] = '\0';
}

} // namespace vesk_host::fatal
