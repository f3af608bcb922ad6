// The whole Rig_Vue panel against a fuzzed host: every command is answered
// with a fuzzed reply (null, empty, long, quotes, blanks, percent signs,
// numbers out of range, commas) while a fuzzed stream of control events,
// revertives, parent queries and timer ticks arrives, from load to destroy.
// The host checks the release rule on every reply.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_table.h"
#include "fuzz_check.h"
#include "vesk_client_callback.h"
#include "vesk_records.h"

extern "C" vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path);

namespace {

const char* const pieces[] = {"", "0", "-", ",", "'", " ", "%1", "%2", "12", "-7", "2147483648", "-2147483649",
                              "99999999999", "value=", "=", "1,2", ",,,", "\n", "alm_a", "'a b'"};

class FuzzHost : public vesk_client_callback {
public:
    explicit FuzzHost(FuzzedDataProvider& input) : input_(input) {}
    ~FuzzHost() override
    {
        for (char* reply : outstanding_)
            free(reply);
    }

    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_RELEASE) {
            if (data) {
                // Only a reply this host handed out, and only once.
                FUZZ_CHECK(outstanding_.erase(static_cast<char*>(data)) == 1);
                free(data);
            }
            return nullptr;
        }
        FUZZ_CHECK(code == VESK_CODE_COMMAND && data != nullptr);
        FUZZ_CHECK(!closed_);  // nothing after "AS"
        const char* text = static_cast<const char*>(data);
        FUZZ_CHECK(strlen(text) >= 2);
        if (strcmp(text, "AS") == 0)
            closed_ = true;
        // The host's command table says what each command's reply is and whether it comes back.
        const vesk_host::CommandRow* row = vesk_host::findCommand(std::string_view(text, 2));
        FUZZ_CHECK(row != nullptr);
        if (row->reply == vesk_host::ReplyKind::status)
            return reinterpret_cast<void*>(static_cast<uintptr_t>(input_.ConsumeIntegral<uint8_t>()));
        if (row->handBack == vesk_host::HandBack::never)
            return input_.ConsumeBool() ? const_cast<char*>("ignored") : nullptr;
        if (input_.ConsumeBool())
            return nullptr;
        std::string reply = makeReply();
        char* copy = static_cast<char*>(malloc(reply.size() + 1));
        memcpy(copy, reply.c_str(), reply.size() + 1);
        outstanding_.insert(copy);
        return copy;
    }

    // Every reply must be back once the call that got it has returned.
    void checkSettled() const { FUZZ_CHECK(outstanding_.empty()); }

private:
    std::string makeReply()
    {
        switch (input_.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return input_.ConsumeRandomLengthString(64);
        case 1:
            return std::string(input_.ConsumeIntegralInRange<size_t>(0, 5000), input_.ConsumeBool() ? ' ' : '7');
        default: {
            std::string reply;
            int count = input_.ConsumeIntegralInRange(0, 40);
            for (int k = 0; k < count; ++k)
                reply += input_.PickValueInArray(pieces);
            return reply;
        }
        }
    }

    FuzzedDataProvider& input_;
    std::set<char*> outstanding_;
    bool closed_ = false;
};

std::string pick(FuzzedDataProvider& input, std::initializer_list<const char*> usual)
{
    if (input.ConsumeBool())
        return input.ConsumeRandomLengthString(64);
    std::vector<const char*> choices(usual);
    return choices[input.ConsumeIntegralInRange<size_t>(0, choices.size() - 1)];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    FuzzHost host(input);
    bool withHost = input.ConsumeIntegralInRange(0, 15) != 0;
    std::string path = input.ConsumeRandomLengthString(32);
    vesk_client_callback* panel = load_vesk_client_script(withHost ? &host : nullptr, path.c_str());
    FUZZ_CHECK(panel != nullptr);
    host.checkSettled();

    while (input.remaining_bytes() > 0) {
        switch (input.ConsumeIntegralInRange(0, 6)) {
        case 0: {
            std::string panelId = pick(input, {"1", "2", "01", " 1"});
            std::string control = pick(input, {"Sources", "WFM_Mon", "Audio_Mon", "ActionAll", "AckAll"});
            std::string event = pick(input, {"index=1", "index=2", "index=0", "index=-1", "index=2147483648", "press"});
            DottedName parsed(event.c_str());
            ControlEventRecord record = {0, 0, panelId.c_str(), control.c_str(), &parsed};
            panel->callback(&record, VESK_CODE_CONTROL);
            break;
        }
        case 1: {
            std::string text = input.ConsumeRandomLengthString(128);
            std::vector<char> bytes(16 + text.size() + 1);
            RevertiveEventRecord* record = reinterpret_cast<RevertiveEventRecord*>(bytes.data());
            record->deviceNumber = input.ConsumeIntegralInRange<int32_t>(-1, 20);
            record->entryIndex = input.ConsumeIntegralInRange<int32_t>(-1, 20);
            memcpy(bytes.data() + 16, text.c_str(), text.size() + 1);
            panel->callback(record, VESK_CODE_REVERTIVE);
            break;
        }
        case 2: {
            std::string query = pick(input, {"_events", "return=all", "return=x", "_commands", "_events.a=b"});
            const char* text = input.ConsumeIntegralInRange(0, 9) == 0 ? nullptr : query.c_str();
            char* answer = static_cast<char*>(panel->callback(const_cast<char*>(text), VESK_CODE_PARENT_QUERY));
            if (answer)
                FUZZ_CHECK(strcmp(answer, "notify=*") == 0);
            panel->callback(answer, VESK_CODE_RELEASE);
            break;
        }
        case 3:
            panel->callback(reinterpret_cast<void*>(static_cast<intptr_t>(input.ConsumeIntegral<int32_t>())),
                            VESK_CODE_TIMER);
            break;
        case 4:
            panel->callback(nullptr, VESK_CODE_RELEASE);
            break;
        case 5:
            panel->callback(reinterpret_cast<void*>(input.ConsumeIntegral<uintptr_t>()),
                            input.ConsumeBool() ? VESK_CODE_6 : VESK_CODE_7);
            break;
        default: {
            int code = input.ConsumeIntegral<int>();
            if (code < 0 || code > 7)
                FUZZ_CHECK(panel->callback(reinterpret_cast<void*>(input.ConsumeIntegral<uintptr_t>()), code) == nullptr);
            break;
        }
        }
        host.checkSettled();
    }
    delete panel;
    host.checkSettled();
    return 0;
}
