// Keeps what a test's emulator did: the transcript's text and every finding.
#ifndef VESK_HOST_TESTS_EVENT_RECORDER_H
#define VESK_HOST_TESTS_EVENT_RECORDER_H

#include <string>
#include <vector>

#include "events/host_events.h"
#include "events/rules.h"
#include "transcript/transcript_text.h"

class EventRecorder final : public vesk_host::EventObserver {
public:
    void observe(const vesk_host::HostEvent& event) override
    {
        if (const auto line = vesk_host::transcriptLine(event))
            text += vesk_host::renderText(*line);
        if (const auto* raised = std::get_if<vesk_host::FindingRaised>(&event))
            findings.push_back(raised->finding);
    }
    // The names of the rules broken, in order. A slow-call warning is left
    // out: it says how fast this machine is (under valgrind, or loaded), not
    // how the script behaves.
    std::vector<std::string> rules() const
    {
        std::vector<std::string> names;
        for (const auto& finding : findings)
            if (finding.rule != &vesk_host::rule::slowCall)
                names.push_back(finding.rule->name);
        return names;
    }

    std::string text;
    std::vector<vesk_host::Finding> findings;
};

#endif
