// The dispatcher with arbitrary codes and data: records for codes 1 and 2
// are built from the input as a host would lay them out; any other code
// gets an arbitrary word that must never be read. Every parent-query answer
// is checked and handed back.
#include <stdint.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "vesk_script_helper.h"

namespace {

class Script : public vesk_script_helper {
public:
    Script() : vesk_script_helper(nullptr, "") {}
    void onControl(ControlEvent& event)
    {
        seen += event.panelId().length() + event.controlId().length() + event.eventName().length() +
                event.eventValue().length();
    }
    int onRevertive(RevertiveEvent& event)
    {
        seen += event.contentText().length() + static_cast<unsigned>(event.deviceNumber()) +
                static_cast<unsigned>(event.entryIndex());
        return 0;
    }
    vesk_string onParentQuery(ParentQuery& query)
    {
        answer = query.queryName();
        answer += query.queryValue();
        return answer;
    }
    void onTimer(int id) { seen += static_cast<unsigned>(id); }
    void setAlarmHandling(bool on) { alarmHandling = on; }

    unsigned seen = 0;
    vesk_string answer;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    Script script;
    script.setAlarmHandling(input.ConsumeBool());
    while (input.remaining_bytes() > 0) {
        int code = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 8) : input.ConsumeIntegral<int>();
        std::string first = input.ConsumeRandomLengthString(256);
        std::string second = input.ConsumeRandomLengthString(256);
        std::string third = input.ConsumeRandomLengthString(256);
        if (code == VESK_CODE_REVERTIVE) {
            std::vector<char> bytes(16 + third.size() + 1);
            RevertiveEventRecord* record = reinterpret_cast<RevertiveEventRecord*>(bytes.data());
            record->deviceNumber = input.ConsumeIntegral<int32_t>();
            record->entryIndex = input.ConsumeIntegral<int32_t>();
            memcpy(bytes.data() + 16, third.c_str(), third.size() + 1);
            FUZZ_CHECK(script.callback(input.ConsumeBool() ? record : nullptr, code) == nullptr);
        } else if (code == VESK_CODE_CONTROL) {
            DottedName event(third.c_str());
            ControlEventRecord record = {0, 0, input.ConsumeBool() ? first.c_str() : nullptr,
                                         input.ConsumeBool() ? second.c_str() : nullptr,
                                         input.ConsumeBool() ? &event : nullptr};
            FUZZ_CHECK(script.callback(input.ConsumeBool() ? &record : nullptr, code) == nullptr);
        } else if (code == VESK_CODE_PARENT_QUERY) {
            const char* query = input.ConsumeBool() ? first.c_str() : nullptr;
            char* answer = static_cast<char*>(script.callback(const_cast<char*>(query), code));
            FUZZ_CHECK((answer == nullptr) == (script.answer.length() == 0));
            if (answer)
                FUZZ_CHECK(strcmp(answer, script.answer) == 0);
            FUZZ_CHECK(script.callback(answer, VESK_CODE_RELEASE) == nullptr);
        } else if (code == VESK_CODE_RELEASE) {
            FUZZ_CHECK(script.callback(nullptr, code) == nullptr);
        } else {
            // Timer ids and the words of codes 6, 7 and unknown codes: never dereferenced.
            void* word = reinterpret_cast<void*>(input.ConsumeIntegral<uintptr_t>());
            FUZZ_CHECK(script.callback(word, code) == nullptr);
        }
    }
    return 0;
}
