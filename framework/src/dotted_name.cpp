#include "vesk_dotted_name.h"

#include <stdlib.h>

#include "piece_copy.h"

DottedName::DottedName(const char* text)
    : name(vesk_empty_text), value(vesk_empty_text), partCount(0), hasValue(0), buffer(0)
{
    size_t length = 0;
    buffer = vesk_copy_for_pieces(text, parts, VESK_MAX_PIECES, &length);
    if (!buffer)
        return;
    for (size_t i = 0; i < length && partCount < VESK_MAX_PIECES; ++i) {
        if (buffer[i] == '.') {
            buffer[i] = 0;
            parts[partCount++] = buffer + i + 1;
        } else if (buffer[i] == '=') {
            buffer[i] = 0;
            value = buffer + i + 1;
            hasValue = 1;
            break;
        }
    }
    name = buffer;
}

DottedName::~DottedName() { free(buffer); }
