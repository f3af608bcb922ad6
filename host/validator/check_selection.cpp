#include "validator/check_selection.h"

#include <regex>
#include <utility>

namespace vesk_host::validator {

struct IdPattern::Compiled {
    std::regex regex;
};

IdPattern::IdPattern(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}

Result<IdPattern> IdPattern::compile(const std::string& text)
{
    try {
        return IdPattern(std::make_shared<const Compiled>(Compiled{std::regex(text, std::regex::ECMAScript)}));
    } catch (const std::regex_error& error) {
        return fail(error.what());
    }
}

bool IdPattern::matches(const std::string& id) const { return std::regex_search(id, compiled_->regex); }

std::vector<const Check*> selectChecks(const std::optional<IdPattern>& only, const std::optional<IdPattern>& skip)
{
    std::vector<const Check*> chosen;
    for (const Check& check : allChecks()) {
        if (only && !only->matches(check.id))
            continue;
        if (skip && skip->matches(check.id))
            continue;
        chosen.push_back(&check);
    }
    return chosen;
}

} // namespace vesk_host::validator
