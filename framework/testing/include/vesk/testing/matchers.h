// GoogleTest matchers on a FakeHost, for a script's unit tests:
//
//   EXPECT_THAT(host, SentCommands(ElementsAre("RN 12 0 1", "RC 21 5 12 ',' 0")));
//   EXPECT_THAT(host, SentNothing());
//   EXPECT_THAT(host, KeptTheRules());
//   EXPECT_THAT(host, HasProperty("video_source", "text", "CAM 5"));
//
// SentCommands and SentNothing read the commands of the last action only;
// a failure prints what was sent instead. Header only: include it in the
// test, which links GoogleTest (gmock) itself.
#ifndef VESK_TESTING_MATCHERS_H
#define VESK_TESTING_MATCHERS_H

#include <ostream>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "vesk/testing/fake_host.h"

namespace vesk::testing {

// How a FakeHost reads in a failure message.
inline void PrintTo(const FakeHost& host, std::ostream* out)
{
    *out << "a host whose last action sent " << ::testing::PrintToString(host.commands());
}

MATCHER_P(SentCommands, commands,
          std::string(negation ? "did not send " : "sent commands that ") +
              ::testing::DescribeMatcher<std::vector<std::string>>(commands, negation))
{
    return ::testing::ExplainMatchResult(commands, arg.commands(), result_listener);
}

MATCHER(SentNothing, negation ? "sent a command" : "sent no command")
{
    return arg.commands().empty();
}

MATCHER(KeptTheRules, negation ? "broke a rule of the host interface" : "broke no rule of the host interface")
{
    if (!arg.violations().empty())
        *result_listener << "broke " << ::testing::PrintToString(arg.violations());
    return arg.violations().empty();
}

MATCHER_P3(HasProperty, control, property, value,
           std::string(negation ? "has not " : "has ") + "property " + std::string(property) + " = \"" +
               std::string(value) + "\" on control " + std::string(control))
{
    const auto held = arg.plant().propertyOf(control, property);
    if (!held) {
        *result_listener << "the panel has no such property";
        return false;
    }
    *result_listener << "it is \"" << *held << "\"";
    return *held == std::string(value);
}

} // namespace vesk::testing

#endif
