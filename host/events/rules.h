// The rules the emulator checks. Every rule has a name (shown in the
// transcript and in `vesk_host rules`), a severity and a one-line
// description. A violation breaks the host interface and fails the run; a
// warning points at something a real host would likely ignore or refuse.
#ifndef VESK_HOST_RULES_H
#define VESK_HOST_RULES_H

#include <string>
#include <vector>

#include "events/rule_table.h"

namespace vesk_host {

enum class Severity { warning, violation };

struct Rule {
    const char* name;
    Severity severity;
    std::string description;
};

// One broken rule, with what broke and where.
struct Finding {
    const Rule* rule;
    std::string message;
};

namespace rule {
#define VESK_HOST_DECLARE_RULE(identifier, name, severity, description) extern const Rule identifier;
VESK_HOST_RULES(VESK_HOST_DECLARE_RULE)
#undef VESK_HOST_DECLARE_RULE
} // namespace rule

// Every rule, in the order of the table.
const std::vector<const Rule*>& allRules();

const char* severityName(Severity severity);

// The docs' rules table (Markdown): one row per rule, violations first.
std::string ruleTableMarkdown();

} // namespace vesk_host

#endif
