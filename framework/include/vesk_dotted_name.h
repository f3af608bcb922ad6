// DottedName: the parsed form of a text "name.part.part=value".
//
// The host lays one out inside every control event (ControlEventRecord's
// `event`); the dispatcher makes its own for each parent query. The layout
// is part of the host interface (148 bytes with 4-byte pointers).
//
// Ownership: the object owns `buffer`, its one copy of the input, cut in
// place; `name`, `parts` and `value` point into it or at vesk_empty_text,
// never at null. Exactly one allocation for a non-empty input, none for a
// null or empty one. It is used in place and never copied or assigned
// (a copy would free the buffer twice). When the copy cannot be allocated
// every text reads as empty.
#ifndef VESK_DOTTED_NAME_H
#define VESK_DOTTED_NAME_H

#include <stddef.h>
#include <stdint.h>

// The one shared empty text that unset text fields point at.
extern const char vesk_empty_text[1];

enum { VESK_MAX_PIECES = 32 };

struct DottedName {
    const char* name;                    // before the first "." or "="
    const char* parts[VESK_MAX_PIECES];  // slot k: after the (k+1)-th "."
    const char* value;                   // after the first "="
    int32_t partCount;                   // 0 to 32
    uint8_t hasValue;                    // 1 when a "=" was found
    char* buffer;                        // owned copy; null for null/empty input

    // Parses `text` once; `text` may be null and is never modified.
    explicit DottedName(const char* text);
    ~DottedName();

    DottedName(const DottedName&) = delete;
    DottedName& operator=(const DottedName&) = delete;
};

#if UINTPTR_MAX == 0xffffffffu
static_assert(offsetof(DottedName, name) == 0, "DottedName.name");
static_assert(offsetof(DottedName, parts) == 4, "DottedName.parts");
static_assert(offsetof(DottedName, value) == 132, "DottedName.value");
static_assert(offsetof(DottedName, partCount) == 136, "DottedName.partCount");
static_assert(offsetof(DottedName, hasValue) == 140, "DottedName.hasValue");
static_assert(offsetof(DottedName, buffer) == 144, "DottedName.buffer");
static_assert(sizeof(DottedName) == 148, "DottedName size");
#endif

#endif
