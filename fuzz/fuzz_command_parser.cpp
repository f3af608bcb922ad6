// The command-text parser on arbitrary bytes: a parsed command whose
// argument counts fit its row of the command table, or an error naming the
// rule broken; never a crash.
#include <stddef.h>
#include <stdint.h>

#include <string_view>

#include "commands/command_parser.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vesk_host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto command = parseCommand(text);
    if (!command) {
        FUZZ_CHECK(command.error().rule != nullptr);
        FUZZ_CHECK(!command.error().message.empty());
        return 0;
    }
    FUZZ_CHECK(command->row != nullptr);
    FUZZ_CHECK(text.size() >= 2 && text.substr(0, 2) == command->row->letters);
    return 0;
}
