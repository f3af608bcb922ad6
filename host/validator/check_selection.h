// Which checks a validation runs: --only and --skip name them by patterns
// over their ids. The regular-expression library is compiled here alone,
// so that neither the runner nor the command line carries it.
#ifndef VESK_HOST_VALIDATOR_CHECK_SELECTION_H
#define VESK_HOST_VALIDATOR_CHECK_SELECTION_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "validator/check.h"

namespace vesk_host::validator {

// A pattern over check ids: an ECMAScript regular expression that matches
// anywhere in the id. Copies share the compiled expression.
class IdPattern {
public:
    // The compiled pattern, or why the text is not a regular expression.
    static Result<IdPattern> compile(const std::string& text);
    bool matches(const std::string& id) const;

private:
    struct Compiled;
    explicit IdPattern(std::shared_ptr<const Compiled> compiled);
    std::shared_ptr<const Compiled> compiled_;
};

// The checks whose ids match `only` (all when not given) and not `skip`, in
// the battery's order.
std::vector<const Check*> selectChecks(const std::optional<IdPattern>& only, const std::optional<IdPattern>& skip);

} // namespace vesk_host::validator

#endif
