// The memory budget of one run: a limit on what the inputs of a run (the
// plant, the replies and answers it holds, its queued events and its
// transcript) may make the emulator hold, so that no file, session or
// script can make it grow without end. Whoever holds something that grows
// with its input charges its size to a named category before holding it and
// refunds it when it lets go; a charge that would pass the limit is refused,
// charges nothing, and its error says what was too big.
//
//   MemoryBudget budget(512 * mebibyte);
//   if (Status charged = budget.charge("held replies", reply.size()); !charged)
//       return charged.error();      // "held replies would need ... over the memory budget of 512 MiB"
//   ...
//   budget.refund("held replies", reply.size());
//
// Sizes are estimates of the bytes held (a text's length plus a fixed cost
// per container entry, see entryCost), not exact heap figures. A budget is
// used from one thread.
#ifndef VESK_HOST_MEMORY_BUDGET_H
#define VESK_HOST_MEMORY_BUDGET_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/result.h"

namespace vesk_host {

constexpr std::uint64_t mebibyte = 1024 * 1024;
// What one entry of a map, list or queue costs beside its text.
constexpr std::uint64_t entryCost = 64;

class MemoryBudget {
public:
    static constexpr std::uint64_t defaultLimit = 512 * mebibyte;

    explicit MemoryBudget(std::uint64_t limit = defaultLimit) : limit_(limit) {}

    // Adds `bytes` to `category` ("the plant's routers and databases").
    // Refused when the run's total would pass the limit: nothing is charged
    // and the error reads "CATEGORY would need N MiB (the run M MiB in all),
    // over the memory budget of L MiB".
    Status charge(std::string_view category, std::uint64_t bytes);
    // Gives back bytes charged to `category`; more than it holds empties it.
    void refund(std::string_view category, std::uint64_t bytes);

    std::uint64_t limit() const { return limit_; }
    std::uint64_t used() const { return used_; }
    std::uint64_t used(std::string_view category) const;

private:
    std::uint64_t limit_;
    std::uint64_t used_ = 0;
    std::map<std::string, std::uint64_t, std::less<>> categories_;
};

// Bytes for people: "812 B", "3.2 KiB", "1.5 MiB", "2.0 GiB".
std::string byteSize(std::uint64_t bytes);

} // namespace vesk_host

#endif
