// Stands for the host in the heap tests: one text it owns, and the bad frees
// the free guard told it of. Register it with a FreeGuard built from
// isHostText and report (or use GuardedHostSide, which does so for its life).
#pragma once

#include <string>
#include <vector>

#include "traps/heap_watch.h"

namespace vesk_host {

struct HostSide {
    char text[8] = "21";
    std::vector<std::string> told;

    static bool isHostText(const void* block, void* self) { return block == static_cast<HostSide*>(self)->text; }
    static void report(const void*, heap::BadFree kind, void* self)
    {
        static_cast<HostSide*>(self)->told.push_back(kind == heap::BadFree::hostText ? "host text" : "twice");
    }
};

// A HostSide that is the free guard from construction to destruction, and
// puts the guard it replaced back.
struct GuardedHostSide : HostSide {
    heap::FreeGuard previous{};

    GuardedHostSide() { previous = heap::setFreeGuard({&isHostText, &report, static_cast<HostSide*>(this)}); }
    ~GuardedHostSide() { heap::setFreeGuard(previous); }
    GuardedHostSide(const GuardedHostSide&) = delete;
    GuardedHostSide& operator=(const GuardedHostSide&) = delete;
};

} // namespace vesk_host
