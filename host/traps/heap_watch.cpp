// The state shared by the heap watch and the interposer; without the
// interposer nothing here is ever counted.
#include "traps/heap_watch.h"

namespace vesk_host::heap {

namespace detail {
thread_local int depth = 0;
std::int64_t net = 0;
FreeGuard guard{nullptr, nullptr, nullptr};
std::optional<std::size_t> (*lookup)(const void* block) = nullptr;
} // namespace detail

bool watching() { return detail::lookup != nullptr; }

ScriptScope::ScriptScope() { ++detail::depth; }
ScriptScope::~ScriptScope() { --detail::depth; }

HostScope::HostScope() : saved_(detail::depth) { detail::depth = 0; }
HostScope::~HostScope() { detail::depth = saved_; }

std::int64_t scriptNet() { return detail::net; }

std::optional<std::size_t> scriptBlock(const void* block)
{
    return detail::lookup ? detail::lookup(block) : std::nullopt;
}

FreeGuard setFreeGuard(FreeGuard guard)
{
    const FreeGuard previous = detail::guard;
    detail::guard = guard;
    return previous;
}

} // namespace vesk_host::heap
