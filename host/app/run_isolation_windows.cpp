#include "app/run_isolation.h"

// No fork() on Windows: a run is not isolated.
namespace vesk_host {
bool isolationAvailable() { return false; }
int runIsolated(const std::function<int()>& run, bool) { return run(); }
int isolatedDoneChannel() { return -1; }
} // namespace vesk_host
