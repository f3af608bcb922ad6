// Counts heap allocations made anywhere in the process (the executable's
// malloc family stands in front of the C library's), so a test or benchmark
// can see what one operation costs. Linked only into binaries built without
// sanitizers.
#ifndef VESK_TEST_ALLOC_COUNTER_H
#define VESK_TEST_ALLOC_COUNTER_H

#include <cstddef>

struct AllocCount {
    std::size_t allocations;
    std::size_t bytes;
};

// Counts between start() and stop(); counting is off by default.
class AllocScope {
public:
    AllocScope();
    ~AllocScope();
    // Allocations made since the scope began.
    AllocCount count() const;

private:
    AllocCount start_;
};

#endif
