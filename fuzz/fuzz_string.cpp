// The string library on arbitrary bytes: toInt against a reference, number
// equality, split, arg, and list split/join round trips.
#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_check.h"
#include "vesk_stringlist.h"

namespace {

// atoi for values that fit in 32 bits, 0 otherwise.
int referenceToInt(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    const char* digits = text + (*text == '+' || *text == '-');
    if (*digits < '0' || *digits > '9')
        return 0;
    errno = 0;
    long long value = strtoll(text, nullptr, 10);
    if (errno == ERANGE || value > INT_MAX || value < INT_MIN)
        return 0;
    return static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    char separator = input.ConsumeIntegral<char>();
    int number = input.ConsumeIntegral<int>();
    std::string first = input.ConsumeRandomLengthString(4096);
    std::string second = input.ConsumeRandomLengthString(4096);
    vesk_string text(first.c_str());
    vesk_string argument(second.c_str());
    FUZZ_CHECK(text.length() == strlen(first.c_str()));

    FUZZ_CHECK(text.toInt() == referenceToInt(first.c_str()));
    FUZZ_CHECK((text == number) == (std::to_string(number) == std::string(text.c_str())));
    FUZZ_CHECK(vesk_string(number, 0, 0, 10) == number);

    vesk_string left, right;
    int split = text.split(separator, left, right);
    const char* cut = separator ? strchr(text, separator) : nullptr;
    FUZZ_CHECK(split == (cut != nullptr));
    if (split)
        FUZZ_CHECK((left + vesk_string(std::string(1, separator).c_str()) + right) == text);
    else
        FUZZ_CHECK(left == text && right.length() == 0);

    // arg never loses the text around the placeholders, and a text without
    // placeholders comes back unchanged.
    vesk_string filled = text.arg(argument).arg(number, 0, 0, 10);
    if (!strchr(text, '%'))
        FUZZ_CHECK(filled == text);

    if (separator != 0) {
        vesk_stringlist list(text, separator);
        FUZZ_CHECK(list.toString(separator) == text);
        unsigned count = 0;
        for (vesk_stringlistIterator it = list.begin(); it != list.end(); ++it, ++count)
            FUZZ_CHECK(!strchr(*it, separator));
        FUZZ_CHECK(count == list.count());
        vesk_stringlist copy(list);
        copy << argument;
        FUZZ_CHECK(copy.count() == list.count() + 1);
    }
    return 0;
}
