// Host records delivered with codes 1 and 2, and the views handed to the
// script's handlers.
//
// The records are host-owned, read-only for the script and valid only
// during the call that delivers them; their layout is part of the host
// interface. The views hold one pointer, own nothing, live for one handler
// call, and every accessor returns an independent copy.
//
// Bad input: a null text pointer in a record (panelId, controlId, event or
// the event's name or value) reads as empty text. The dispatcher never
// makes a view on a null record.
#ifndef VESK_RECORDS_H
#define VESK_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "vesk_dotted_name.h"
#include "vesk_string.h"

// Data of code 1. The content text is stored inside the record from
// offset 16 up to its NUL; the host sets its capacity.
struct RevertiveEventRecord {
    int32_t deviceNumber;  // device that sends the revertive ("SD" number)
    uint32_t reserved4;    // the host's; not read
    int32_t entryIndex;    // index on that device (a router's destination)
    uint32_t reserved12;   // the host's; not read
    char contentText[1];   // first byte of the NUL-terminated content
};

// Data of code 2.
struct ControlEventRecord {
    uint32_t reserved0;     // the host's; not read
    uint32_t reserved4;     // the host's; not read
    const char* panelId;    // panel of the event ("1")
    const char* controlId;  // control identifier from the panel file
    const DottedName* event;  // the host's parse of the event text
};

static_assert(offsetof(RevertiveEventRecord, deviceNumber) == 0, "RevertiveEventRecord.deviceNumber");
static_assert(offsetof(RevertiveEventRecord, entryIndex) == 8, "RevertiveEventRecord.entryIndex");
static_assert(offsetof(RevertiveEventRecord, contentText) == 16, "RevertiveEventRecord.contentText");
#if UINTPTR_MAX == 0xffffffffu
static_assert(offsetof(ControlEventRecord, panelId) == 8, "ControlEventRecord.panelId");
static_assert(offsetof(ControlEventRecord, controlId) == 12, "ControlEventRecord.controlId");
static_assert(offsetof(ControlEventRecord, event) == 16, "ControlEventRecord.event");
#else
static_assert(offsetof(ControlEventRecord, panelId) == 8, "ControlEventRecord.panelId");
static_assert(offsetof(ControlEventRecord, controlId) == 16, "ControlEventRecord.controlId");
static_assert(offsetof(ControlEventRecord, event) == 24, "ControlEventRecord.event");
#endif

class RevertiveEvent {
public:
    const RevertiveEventRecord* record;

    int deviceNumber() const { return record->deviceNumber; }
    int entryIndex() const { return record->entryIndex; }
    vesk_string contentText() const;
};

class ControlEvent {
public:
    const ControlEventRecord* record;

    vesk_string panelId() const;
    vesk_string controlId() const;
    vesk_string eventName() const;
    vesk_string eventValue() const;
};

class ParentQuery {
public:
    const DottedName* record;

    vesk_string queryName() const;
    vesk_string queryValue() const;
};

// The data word of codes 6 and 7, passed on unread.
class CallbackWord {
public:
    void* data;
};

#endif
