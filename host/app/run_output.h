// What "vesk_host run" writes: the transcript (text or JSON lines) to
// standard output as it happens, or with --quiet only the problems (broken
// rules, failed expectations, refused steps) and the summary; and the whole
// transcript to the golden file, compared or recorded as it is written.
#ifndef VESK_HOST_RUN_OUTPUT_H
#define VESK_HOST_RUN_OUTPUT_H

#include "app/golden_file.h"
#include "app/output.h"
#include "events/host_events.h"

namespace vesk_host {

class RunOutput final : public EventObserver {
public:
    // With `goldenWithoutPanel`, the run's closing panel table is shown but kept out of the golden file.
    RunOutput(Output& out, bool json, bool quiet, GoldenFile* golden, bool goldenWithoutPanel = false);
    void observe(const HostEvent& event) override { observeFrom(event, Origin{}); }
    // A studio position's lines are marked with it.
    void observeFrom(const HostEvent& event, const Origin& origin) override;
    // Text that is not an event (the JSON schema line).
    void write(const std::string& text);

private:
    Output& out_;
    bool json_;
    bool quiet_;
    GoldenFile* golden_;
    bool goldenWithoutPanel_;
};

// Whether `event` is a problem --quiet still shows.
bool isProblem(const HostEvent& event);

} // namespace vesk_host

#endif
