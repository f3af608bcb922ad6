#include "vesk/testing/deliveries.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "vesk_dotted_name.h"
#include "vesk_records.h"

namespace vesk::testing::deliver {

void control(vesk_client_callback& script, const char* panel, const char* controlId, const char* event)
{
    DottedName parsed(event);
    ControlEventRecord record{};
    record.panelId = panel;
    record.controlId = controlId;
    record.event = &parsed;
    script.callback(&record, VESK_CODE_CONTROL);
}

void revertive(vesk_client_callback& script, int device, int index, const char* text)
{
    std::vector<char> bytes(offsetof(RevertiveEventRecord, contentText) + std::strlen(text) + 1);
    auto* record = reinterpret_cast<RevertiveEventRecord*>(bytes.data());
    record->deviceNumber = device;
    record->entryIndex = index;
    std::memcpy(bytes.data() + offsetof(RevertiveEventRecord, contentText), text, std::strlen(text) + 1);
    script.callback(record, VESK_CODE_REVERTIVE);
}

std::optional<std::string> parentQuery(vesk_client_callback& script, const char* query)
{
    void* answer = script.callback(const_cast<char*>(query), VESK_CODE_PARENT_QUERY);
    if (!answer)
        return std::nullopt;
    std::string text(static_cast<const char*>(answer));
    script.callback(answer, VESK_CODE_RELEASE);
    return text;
}

void timer(vesk_client_callback& script, int id)
{
    script.callback(reinterpret_cast<void*>(static_cast<std::intptr_t>(id)), VESK_CODE_TIMER);
}

} // namespace vesk::testing::deliver
