// decodeVESKString: quote-aware blank tokenizer for command replies.
//
// ‹12 3› gives "12", "3"; ‹x 'y z' w› gives "x", "y z", "w". Only the blank
// separates (tabs and line breaks are ordinary bytes); a quoted text keeps
// its blanks; token 0 always starts at the first byte. At most 32 tokens
// are taken; the rest is dropped silently.
//
// Ownership: the object owns `buffer`, its one copy of the input, cut in
// place; every token points into it or at vesk_empty_text and lives as long
// as the object, independent of the input. Exactly one allocation for a
// non-empty input, none for null or empty. Never copied or assigned. When
// the copy cannot be allocated there are no tokens.
#ifndef VESK_DECODE_H
#define VESK_DECODE_H

#include <stdint.h>

#include "vesk_dotted_name.h"

class decodeVESKString {
public:
    // Tokenizes `text` (may be null) once; `quote` is the quote byte.
    decodeVESKString(const char* text, char quote);
    virtual ~decodeVESKString();

    decodeVESKString(const decodeVESKString&) = delete;
    decodeVESKString& operator=(const decodeVESKString&) = delete;

    const char* tokens[VESK_MAX_PIECES];  // unset slots: vesk_empty_text
    int32_t tokenCount;                   // 0 to 32
    char* buffer;                         // owned copy; null for null/empty input
    char quote;
};

#endif
