// DottedName on arbitrary bytes: every piece lies in the record's own copy
// or is the shared empty text, and the pieces rebuild the input.
#include <stdint.h>
#include <string.h>

#include "fuzz_check.h"
#include "vesk_dotted_name.h"

namespace {

bool inside(const DottedName& d, const char* piece, size_t length)
{
    return piece == vesk_empty_text || (d.buffer && piece >= d.buffer && piece <= d.buffer + length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char* text = static_cast<char*>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = 0;
    size_t length = strlen(text);
    {
        DottedName d(text);
        FUZZ_CHECK(d.partCount >= 0 && d.partCount <= 32);
        FUZZ_CHECK(d.hasValue == 0 || d.hasValue == 1);
        FUZZ_CHECK((length == 0) == (d.buffer == 0));
        FUZZ_CHECK(inside(d, d.name, length) && inside(d, d.value, length));
        for (int k = 0; k < 32; ++k) {
            FUZZ_CHECK(inside(d, d.parts[k], length));
            FUZZ_CHECK(k < d.partCount || d.parts[k] == vesk_empty_text);
        }
        // name, the parts and the value with their separators give back the input.
        size_t rebuilt = strlen(d.name);
        for (int k = 0; k < d.partCount; ++k)
            rebuilt += 1 + strlen(d.parts[k]);
        if (d.hasValue)
            rebuilt += 1 + strlen(d.value);
        FUZZ_CHECK(rebuilt == length);
        FUZZ_CHECK(memcmp(text, data, length) == 0);  // the input is never cut
    }
    free(text);
    return 0;
}
