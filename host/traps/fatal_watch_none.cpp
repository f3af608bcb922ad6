// Where the platform has no fatal watch yet (Windows builds, where a
// worker's crash is told by its exception code): nothing is watched, but
// the moment is kept (fatal_moment.cpp) for the reports a supervisor writes.
#include "traps/fatal_watch.h"

namespace vesk_host::fatal {

bool available() { return false; }
void install(Sink, double) {}
void reclaimSignals() {}
void arm() {}
void disarm() {}

} // namespace vesk_host::fatal
