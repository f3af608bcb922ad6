// One check of the validator: a stable id, a one-line description, and a
// body that drives a freshly loaded script and judges what it did. A check
// reports PASS, FAIL, WARN or SKIP itself; CRASH and TIMEOUT are given by
// whoever ran it, when the check's process died or hung.
#ifndef VESK_HOST_VALIDATOR_CHECK_H
#define VESK_HOST_VALIDATOR_CHECK_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "abi/script_abi.h"
#include "events/rules.h"
#include "plant/plant.h"

namespace vesk_host::validator {

enum class CheckStatus { pass, warn, skip, fail, crash, timeout };

const char* statusName(CheckStatus status);
std::optional<CheckStatus> statusNamed(const std::string& name);
// FAIL, CRASH and TIMEOUT fail a run; WARN only with --strict.
bool failsRun(CheckStatus status, bool strict);

struct CheckResult {
    CheckStatus status = CheckStatus::pass;
    std::vector<std::string> details;  // what was found, one item a line
};

// What every check is given: the script and the plant, and the soak's settings.
struct CheckSetup {
    std::string library;
    Plant plant;
    std::uint64_t seed = 0;
    int soakSteps = 0;
    std::string soakFile;       // where a failing soak leaves its session
    std::string replayCommand;  // the command line that replays it, as the front end words it
    std::optional<AbiKind> abi = AbiKind::native;  // the script's C++ layout; nothing: learn it
};

// Where a check's transcript lines go as they happen, so that the last ones
// survive a crash of the check.
class Trail {
public:
    virtual ~Trail() = default;
    virtual void line(const std::string& text) = 0;
    // A violation, as it happens; kept by a child's parent past a crash.
    virtual void finding(const Finding&) {}
};

class CheckContext {
public:
    CheckContext(const CheckSetup& setup, Trail& trail) : setup_(setup), trail_(trail) {}

    const CheckSetup& setup() const { return setup_; }
    Trail& trail() { return trail_; }

    void fail(std::string detail);
    void warn(std::string detail);
    // The check could not be carried out for this script; says why.
    void skip(std::string reason);
    // A detail that changes no status.
    void note(std::string detail);

    // FAIL over WARN over SKIP over PASS.
    CheckResult result() const;

private:
    const CheckSetup& setup_;
    Trail& trail_;
    bool failed_ = false;
    bool warned_ = false;
    bool skipped_ = false;
    std::vector<std::string> details_;
};

struct Check {
    const char* id;
    std::string description;
    void (*run)(CheckContext& context);
    // A crash or hang counts as a warning only: the check sends what the
    // interface says a host never sends.
    bool crashWarns = false;
    // Leaves the soak's session file behind when it does not pass.
    bool leavesSession = false;
};

// Every check, in the order they run.
const std::vector<Check>& allChecks();

// The docs' checks table (Markdown), one row per check.
std::string checkTableMarkdown();

} // namespace vesk_host::validator

#endif
