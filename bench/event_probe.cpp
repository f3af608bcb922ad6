// vesk_event_probe EVENT VARIANT COUNT: runs one event COUNT times after one
// warm-up run, for instruction counting under callgrind (the difference
// between two counts divided by the difference in COUNT is the cost of one
// event, free of start-up cost).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "events.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vesk_event_probe EVENT VARIANT COUNT\n");
        return 2;
    }
    int event = -1, variant = -1;
    for (int e = 0; e < static_cast<int>(Event::Count); ++e)
        if (std::strcmp(argv[1], eventName(static_cast<Event>(e))) == 0)
            event = e;
    for (int v = 0; v < static_cast<int>(Variant::Count); ++v)
        if (std::strcmp(argv[2], variantName(static_cast<Variant>(v))) == 0)
            variant = v;
    long count = std::strtol(argv[3], nullptr, 10);
    if (event < 0 || variant < 0 || count < 0) {
        std::fprintf(stderr, "vesk_event_probe: unknown event or variant\n");
        return 2;
    }
    EventBench bench(RIG_VUE_LIBRARY);
    if (!bench.loaded())
        return 2;
    bench.run(static_cast<Event>(event), static_cast<Variant>(variant));
    for (long i = 0; i < count; ++i)
        bench.run(static_cast<Event>(event), static_cast<Variant>(variant));
    return 0;
}
