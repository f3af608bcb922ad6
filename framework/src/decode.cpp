#include "vesk_decode.h"

#include <stdlib.h>

#include "piece_copy.h"

decodeVESKString::decodeVESKString(const char* text, char quoteByte) : tokenCount(0), buffer(0), quote(quoteByte)
{
    size_t length = 0;
    buffer = vesk_copy_for_pieces(text, tokens, VESK_MAX_PIECES, &length);
    if (!buffer)
        return;

    int current = 0;
    bool quoted = false;
    tokens[0] = buffer;
    for (size_t i = 0; i < length; ++i) {
        bool starts = false;
        char byte = buffer[i];
        if (!quoted && byte == quote) {
            buffer[i] = 0;
            quoted = true;
        } else if (!quoted && byte == ' ') {
            buffer[i] = 0;
        } else if (quoted && byte == quote) {
            buffer[i] = 0;
            quoted = false;
            // An empty quoted text is a token of its own.
            starts = i > 0 && buffer[i - 1] == 0;
        } else {
            starts = i > 0 && buffer[i - 1] == 0;
        }
        if (starts) {
            if (current + 1 == VESK_MAX_PIECES)
                break;
            tokens[++current] = buffer + i;
        }
    }
    tokenCount = current + 1;
}

decodeVESKString::~decodeVESKString() { free(buffer); }
