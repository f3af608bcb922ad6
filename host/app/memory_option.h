// --max-memory: the run's memory budget (base/memory_budget.h), given as a
// size in mebibytes ("512") or with a unit ("512M", "2G", "1536MiB").
#ifndef VESK_HOST_MEMORY_OPTION_H
#define VESK_HOST_MEMORY_OPTION_H

#include <cstdint>
#include <string>

#include "app/command_line.h"
#include "base/result.h"

namespace vesk_host {

// The budget in bytes; an empty text is the default (512 MiB). At least
// 16 MiB (the emulator's own start needs that much) and at most 1 TiB.
Result<std::uint64_t> parseMemorySize(const std::string& text);

// The option --max-memory, writing its text to `value`.
CommandOption maxMemoryOption(std::string& value);

// The hint added to a message saying that the budget was too small.
inline const char* maxMemoryHint() { return " (--max-memory raises the budget)"; }

} // namespace vesk_host

#endif
