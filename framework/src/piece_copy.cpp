#include "piece_copy.h"

#include <stdlib.h>
#include <string.h>

#include "vesk_dotted_name.h"

const char vesk_empty_text[1] = {0};

char* vesk_copy_for_pieces(const char* text, const char** slots, int count, size_t* length)
{
    for (int k = 0; k < count; ++k)
        slots[k] = vesk_empty_text;
    *length = text ? strlen(text) : 0;
    if (*length == 0)
        return 0;
    char* copy = static_cast<char*>(malloc(*length + 1));
    if (!copy) {
        *length = 0;
        return 0;
    }
    memcpy(copy, text, *length + 1);
    return copy;
}
