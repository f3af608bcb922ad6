#include "host_events.h"

#include <stdint.h>
#include <string.h>

#include "host_records.h"

namespace {

const char emptyText[1] = {0};

// The host's parse of "name.part.part=value": cut in place in `buffer`.
void parseDotted(const char* text, char* buffer, unsigned size, HostDottedName& parsed)
{
    parsed.name = emptyText;
    for (int k = 0; k < hostPieces; ++k)
        parsed.parts[k] = emptyText;
    parsed.value = emptyText;
    parsed.partCount = 0;
    parsed.hasValue = 0;
    parsed.buffer = 0;
    size_t length = strlen(text);
    if (length == 0 || length >= size)
        return;
    memcpy(buffer, text, length + 1);
    parsed.buffer = buffer;
    parsed.name = buffer;
    for (size_t i = 0; i < length && parsed.partCount < hostPieces; ++i) {
        if (buffer[i] == '.') {
            buffer[i] = 0;
            parsed.parts[parsed.partCount++] = buffer + i + 1;
        } else if (buffer[i] == '=') {
            buffer[i] = 0;
            parsed.value = buffer + i + 1;
            parsed.hasValue = 1;
            break;
        }
    }
}

} // namespace

void sendControl(vesk_client_callback* script, const char* panel, const char* control, const char* event)
{
    char buffer[256];
    HostDottedName parsed;
    parseDotted(event, buffer, sizeof buffer, parsed);
    HostControlRecord record = {0x11111111u, 0x22222222u, panel, control, &parsed};
    script->callback(&record, VESK_CODE_CONTROL);
}

void sendRevertive(vesk_client_callback* script, int device, int index, const char* text)
{
    HostRevertiveRecord record;
    memset(&record, 0, sizeof record);
    record.deviceNumber = device;
    record.word4 = 0x44444444u;
    record.entryIndex = index;
    record.word12 = 0xccccccccu;
    size_t length = strlen(text);
    if (length >= sizeof record.contentText)
        length = sizeof record.contentText - 1;
    memcpy(record.contentText, text, length);
    script->callback(&record, VESK_CODE_REVERTIVE);
}

bool sendParentQuery(vesk_client_callback* script, const char* query, char* answer, unsigned size)
{
    answer[0] = 0;
    void* reply = script->callback(const_cast<char*>(query), VESK_CODE_PARENT_QUERY);
    if (!reply)
        return false;
    size_t length = strlen(static_cast<const char*>(reply));
    if (length >= size)
        length = size - 1;
    memcpy(answer, reply, length);
    answer[length] = 0;
    // The script allocated the answer; it frees it.
    script->callback(reply, VESK_CODE_RELEASE);
    return true;
}

void sendTimer(vesk_client_callback* script, int id)
{
    script->callback(reinterpret_cast<void*>(static_cast<intptr_t>(id)), VESK_CODE_TIMER);
}
