#include "isolation.h"

#include <stdexcept>

namespace vesk_host::validator {

// Windows has no fork(): checks run in the validator's own process there.
bool childProcessesAvailable() { return false; }

const char* childProcessesMissing()
{
    return "checks run in the validator's own process on Windows (no fork()): a crash or hang of the script "
           "stops the whole run";
}

ChildEnd runInChild(const std::function<void(RecordSink&)>&, double, const std::function<bool(const char*, std::size_t)>&)
{
    throw std::logic_error("no child processes on this platform");
}

std::optional<std::size_t> heapInUse() { return std::nullopt; }

const char* heapSource() { return "nothing on this platform"; }

} // namespace vesk_host::validator
