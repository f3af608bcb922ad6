// What a validation run prints: the table for people, as it goes, with a
// final SUCCESS or FAILURE line; a JSON document (schema
// "vesk-host-validate", version 1) and a JUnit XML file for tools.
#ifndef VESK_HOST_VALIDATOR_REPORT_H
#define VESK_HOST_VALIDATOR_REPORT_H

#include <string>
#include <vector>

#include "validator/runner.h"

namespace vesk_host::validator {

constexpr int jsonSchemaVersion = 1;

struct RunInfo {
    std::string library;
    std::string plantFile;  // empty without one
    unsigned long long seed = 0;
    int soakSteps = 0;
    double watchdogSeconds = 0;
    bool isolated = true;      // each check in a child process
    std::string isolationNote;  // why not, when not
    bool strict = false;
    std::string abi;           // the script's C++ layout: "native", "gnu", "msvc"
    std::string abiReason;     // how it was chosen
    double seconds = 0;        // the whole run
    int exitCode = 0;          // what the front end exits with, for the JSON report
};

struct Counts {
    int pass = 0;
    int warn = 0;
    int skip = 0;
    int fail = 0;
    int crash = 0;
    int timeout = 0;
    int total() const { return pass + warn + skip + fail + crash + timeout; }
};

Counts countOutcomes(const std::vector<CheckOutcome>& outcomes);
// Whether every check passed (warnings too, unless strict).
bool runPassed(const std::vector<CheckOutcome>& outcomes, bool strict);

std::string headerText(const RunInfo& info);
// One row of the table, then the details and, for a crash or hang, the
// transcript's last lines, each indented below it.
std::string outcomeText(const CheckOutcome& outcome);
// Causes shared by several failing checks (the same first finding, as when
// one fault at start-up fails them all), each said once with the checks it
// failed; empty when there are none.
struct SharedCause {
    std::string finding;
    std::vector<std::string> checks;
};
std::vector<SharedCause> sharedCauses(const std::vector<CheckOutcome>& outcomes);
std::string causesText(const std::vector<CheckOutcome>& outcomes);
// "SUCCESS: ..." or "FAILURE: ..." with the counts.
std::string finalLine(const std::vector<CheckOutcome>& outcomes, bool strict, double seconds);
std::string listText(const std::vector<const Check*>& checks);

std::string jsonReport(const RunInfo& info, const std::vector<CheckOutcome>& outcomes);
std::string junitReport(const RunInfo& info, const std::vector<CheckOutcome>& outcomes);

// Text fit for XML 1.0 character data and attribute values: markup
// characters as entities, other control bytes and bytes above 0x7e as
// \xNN, so any byte sequence gives well-formed ASCII.
std::string xmlText(const std::string& text);

} // namespace vesk_host::validator

#endif
