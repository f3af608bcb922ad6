#include "check.h"

namespace vesk_host::validator {

const char* statusName(Status status)
{
    switch (status) {
    case Status::pass: return "PASS";
    case Status::warn: return "WARN";
    case Status::skip: return "SKIP";
    case Status::fail: return "FAIL";
    case Status::crash: return "CRASH";
    case Status::timeout: return "TIMEOUT";
    }
    return "FAIL";
}

std::optional<Status> statusNamed(const std::string& name)
{
    for (const Status status :
         {Status::pass, Status::warn, Status::skip, Status::fail, Status::crash, Status::timeout})
        if (name == statusName(status))
            return status;
    return std::nullopt;
}

bool failsRun(Status status, bool strict)
{
    return status == Status::fail || status == Status::crash || status == Status::timeout ||
           (strict && status == Status::warn);
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
    result.status = failed_ ? Status::fail : warned_ ? Status::warn : skipped_ ? Status::skip : Status::pass;
    result.details = details_;
    return result;
}

} // namespace vesk_host::validator
