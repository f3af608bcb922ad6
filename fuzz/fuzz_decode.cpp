// decodeVESKString on arbitrary bytes with an arbitrary quote byte: tokens
// lie in the object's own copy, never hold a separator, and outlive the input.
#include <stdint.h>
#include <string.h>

#include "fuzz_check.h"
#include "vesk_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    char quote = static_cast<char>(data[0]);
    char* text = static_cast<char*>(malloc(size));
    memcpy(text, data + 1, size - 1);
    text[size - 1] = 0;
    size_t length = strlen(text);
    decodeVESKString d(text, quote);
    memset(text, 'Z', length);  // the tokens must not depend on the input any more
    free(text);
    FUZZ_CHECK(d.tokenCount >= 0 && d.tokenCount <= 32);
    FUZZ_CHECK((length == 0) == (d.tokenCount == 0));
    for (int k = 0; k < 32; ++k) {
        const char* token = d.tokens[k];
        FUZZ_CHECK(token == vesk_empty_text || (d.buffer && token >= d.buffer && token <= d.buffer + length));
        FUZZ_CHECK(k < d.tokenCount || token == vesk_empty_text);
        // Quote bytes are always cut out.
        if (quote != 0)
            FUZZ_CHECK(strchr(token, quote) == 0);
    }
    return 0;
}
