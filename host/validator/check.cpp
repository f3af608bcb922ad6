#include "validator/check.h"

namespace vesk_host::validator {

const char* statusName(CheckStatus status)
{
    switch (status) {
    case CheckStatus::pass: return "PASS";
    case CheckStatus::warn: return "WARN";
    case CheckStatus::skip: return "SKIP";
    case CheckStatus::fail: return "FAIL";
    case CheckStatus::crash: return "CRASH";
    case CheckStatus::timeout: return "TIMEOUT";
    }
    return "FAIL";
}

std::optional<CheckStatus> statusNamed(const std::string& name)
{
    for (const CheckStatus status :
         {CheckStatus::pass, CheckStatus::warn, CheckStatus::skip, CheckStatus::fail, CheckStatus::crash, CheckStatus::timeout})
        if (name == statusName(status))
            return status;
    return std::nullopt;
}

bool failsRun(CheckStatus status, bool strict)
{
    return status == CheckStatus::fail || status == CheckStatus::crash || status == CheckStatus::timeout ||
           (strict && status == CheckStatus::warn);
}

void CheckContext::fail(std::string detail)
{
    failed_ = true;
    details_.push_back(std::move(detail));
}

void CheckContext::warn(std::string detail)
{
    warned_ = true;
    details_.push_back(std::move(detail));
}

void CheckContext::skip(std::string reason)
{
    skipped_ = true;
    details_.push_back(std::move(reason));
}

void CheckContext::note(std::string detail) { details_.push_back(std::move(detail)); }

CheckResult CheckContext::result() const
{
    CheckResult result;
    result.status = failed_ ? CheckStatus::fail : warned_ ? CheckStatus::warn : skipped_ ? CheckStatus::skip : CheckStatus::pass;
    result.details = details_;
    return result;
}

} // namespace vesk_host::validator
