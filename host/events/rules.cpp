#include "events/rules.h"

#include "base/text_util.h"
#include "events/host_limits.h"

namespace vesk_host {

namespace rule {
#define VESK_HOST_DEFINE_RULE(identifier, name, severity, description) \
    const Rule identifier{name, Severity::severity, description};
VESK_HOST_RULES(VESK_HOST_DEFINE_RULE)
#undef VESK_HOST_DEFINE_RULE
} // namespace rule

const std::vector<const Rule*>& allRules()
{
#define VESK_HOST_LIST_RULE(identifier, name, severity, description) &rule::identifier,
    static const std::vector<const Rule*> rules = {VESK_HOST_RULES(VESK_HOST_LIST_RULE)};
#undef VESK_HOST_LIST_RULE
    return rules;
}

const char* severityName(Severity severity) { return severity == Severity::violation ? "violation" : "warning"; }

std::string ruleTableMarkdown()
{
    std::string table = "| rule | kind | what it checks |\n|---|---|---|\n";
    for (Severity severity : {Severity::violation, Severity::warning})
        for (const Rule* rule : allRules())
            if (rule->severity == severity)
                table += std::string("| `") + rule->name + "` | " + severityName(severity) + " | " +
                         markdownCell(rule->description) + " |\n";
    return table;
}

} // namespace vesk_host
