// How the host answers the script's commands. The plant's answers are the
// ordinary ones; the other modes answer every command the same hostile way,
// so that a script shows it reads any reply safely and still keeps the
// release rule: replies the command table says come back do so with code 5,
// the words answering every other command never do.
#ifndef VESK_HOST_REPLY_MODES_H
#define VESK_HOST_REPLY_MODES_H

#include <optional>
#include <string>
#include <string_view>

#include "commands/command_table.h"
#include "events/reply.h"

namespace vesk_host {

enum class ReplyMode {
    plant,  // what the plant answers
    null,   // null for every command; "PS" reports failure (status 0)
    empty,  // empty texts; "PS" as the plant answers
    long_,  // texts of longReplyLength bytes; "PS" as the plant answers
};

// Bytes in a long reply: more than any 16-bit length can hold.
constexpr std::size_t longReplyLength = 100000;

const char* replyModeName(ReplyMode mode);
std::optional<ReplyMode> replyModeNamed(std::string_view name);
// Every mode's name: "plant, null, empty or long" with (", ", " or ").
std::string replyModeList(const char* separator, const char* last);

// The long reply: commas, apostrophes, blanks, digits, letters and an
// equals sign, in every tokenizer's way.
const std::string& longReplyText();
// The long reply to a list ("XI"): as long, but only longListItems items,
// each of them long. A script acts on every item it is given, with a command
// or two each answered long again, so thousands of short items would cost
// the run millions of reply bytes per event and test nothing more.
constexpr std::size_t longListItems = 4;
const std::string& longListReplyText();

// What the host answers the command of `row` in `mode`, given what the
// plant answered.
Reply replyInMode(ReplyMode mode, const CommandRow& row, Reply fromPlant);

} // namespace vesk_host

#endif
