// The bodies of the validator's checks; allChecks() (checks.cpp) names
// and describes them.
#ifndef VESK_HOST_VALIDATOR_CHECKS_H
#define VESK_HOST_VALIDATOR_CHECKS_H

#include "validator/check.h"

namespace vesk_host::validator {

void checkLoadBasic(CheckContext& context);
void checkLoadNullHost(CheckContext& context);
void checkLoadPaths(CheckContext& context);
void checkLoadRepeat(CheckContext& context);
// load.repeat's verdict on the heap in use after the warm-up and every ten
// loads after it: a leak passes 1024 bytes in all and grows most stretches
// by 128 bytes or more (the median stretch); a page taken once, late, or the
// allocator's caches filling grow a few.
bool heapLeaks(const std::vector<std::size_t>& samples);
void checkCode0(CheckContext& context);
void checkCode1(CheckContext& context);
void checkCode2(CheckContext& context);
void checkCode3(CheckContext& context);
void checkCode4(CheckContext& context);
void checkCode5(CheckContext& context);
void checkCode6(CheckContext& context);
void checkCode7(CheckContext& context);
void checkCodesOutside(CheckContext& context);
void checkNullRecords(CheckContext& context);
void checkQueries(CheckContext& context);
void checkHeldAnswers(CheckContext& context);
void checkUnknownTimers(CheckContext& context);
void checkEveryReply(CheckContext& context);
void checkNullReplies(CheckContext& context);
void checkEmptyReplies(CheckContext& context);
void checkLongReplies(CheckContext& context);
void checkEnd(CheckContext& context);
void checkHeapPerEvent(CheckContext& context);
void checkSharedState(CheckContext& context);
void checkSoak(CheckContext& context);

} // namespace vesk_host::validator

#endif
