// The events measured by the benchmarks, each in three forms: through the
// loaded Rig_Vue ("panel"), the same command texts written with snprintf
// into stack buffers with no objects ("floor"), and a typical std::string /
// std::ostringstream implementation ("ostream"). All three talk to the same
// StaticHost, which answers from static texts and allocates nothing.
#ifndef VESK_BENCH_EVENTS_H
#define VESK_BENCH_EVENTS_H

#include <memory>

#include "static_host.h"
#include "vesk_records.h"

enum class Event { Choice, Toggle, Revertive, ParentQuery, TimerTick, StartStop, Count };
enum class Variant { Panel, Floor, Ostream, Count };

const char* eventName(Event event);
const char* variantName(Variant variant);

class EventBench {
public:
    // Loads Rig_Vue from `library`; loaded() is false when that fails.
    explicit EventBench(const char* library);
    ~EventBench();
    bool loaded() const { return panel_ != nullptr; }

    // Runs one event once in the given form.
    void run(Event event, Variant variant);

    StaticHost host;

private:
    vesk_load_function load_;
    std::unique_ptr<vesk_client_callback> panel_;
    DottedName choiceEvent_{"index=1"};
    DottedName pressEvent_{"press"};
    ControlEventRecord choice_;
    ControlEventRecord toggle_;
    struct {
        RevertiveEventRecord head;
        char rest[16];
    } revertive_;
    bool videoFollow_ = true;
};

#endif
