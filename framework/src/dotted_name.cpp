#include "vesk_dotted_name.h"

#include <stdlib.h>
#include <string.h>

const char vesk_empty_text[1] = {0};

DottedName::DottedName(const char* text)
    : name(vesk_empty_text), value(vesk_empty_text), partCount(0), hasValue(0), buffer(0)
{
    for (int k = 0; k < VESK_MAX_PIECES; ++k)
        parts[k] = vesk_empty_text;
    size_t length = text ? strlen(text) : 0;
    if (length == 0)
        return;
    buffer = static_cast<char*>(malloc(length + 1));
    if (!buffer)
        return;
    memcpy(buffer, text, length + 1);
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
