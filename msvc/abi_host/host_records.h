// The host's side of the binary interface, laid out from the interface's
// own description rather than from the framework's headers: if the two
// ever disagree, the script reads garbage and the checks fail.
#ifndef VESK_ABI_HOST_RECORDS_H
#define VESK_ABI_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>

enum { hostPieces = 32 };

// The parse of an event text "name.part=value" that a control event points at.
struct HostDottedName {
    const char* name;
    const char* parts[hostPieces];
    const char* value;
    int32_t partCount;
    uint8_t hasValue;
    char* buffer;
};

// Data of code 2.
struct HostControlRecord {
    uint32_t word0;
    uint32_t word4;
    const char* panelId;
    const char* controlId;
    const HostDottedName* event;
};

// Data of code 1: two numbers and the content text stored from offset 16.
enum { revertiveTextOffset = 16, revertiveTextCapacity = 240 };
struct HostRevertiveRecord {
    int32_t deviceNumber;
    uint32_t word4;
    int32_t entryIndex;
    uint32_t word12;
    char contentText[revertiveTextCapacity];
};

static_assert(sizeof(void*) == 4, "the interface is that of a 32-bit host");
static_assert(offsetof(HostDottedName, parts) == 4, "DottedName.parts");
static_assert(offsetof(HostDottedName, value) == 132, "DottedName.value");
static_assert(offsetof(HostDottedName, partCount) == 136, "DottedName.partCount");
static_assert(offsetof(HostDottedName, hasValue) == 140, "DottedName.hasValue");
static_assert(offsetof(HostDottedName, buffer) == 144, "DottedName.buffer");
static_assert(sizeof(HostDottedName) == 148, "DottedName size");
static_assert(offsetof(HostControlRecord, panelId) == 8, "ControlEventRecord.panelId");
static_assert(offsetof(HostControlRecord, controlId) == 12, "ControlEventRecord.controlId");
static_assert(offsetof(HostControlRecord, event) == 16, "ControlEventRecord.event");
static_assert(offsetof(HostRevertiveRecord, entryIndex) == 8, "RevertiveEventRecord.entryIndex");
static_assert(offsetof(HostRevertiveRecord, contentText) == revertiveTextOffset, "RevertiveEventRecord.contentText");

#endif
