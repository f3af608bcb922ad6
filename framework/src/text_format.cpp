#include "text_format.h"

#include <stdlib.h>
#include <string.h>

namespace {

// Placeholder number at format[i] ("%1".."%99"), 0 if none; `size` gets its length.
int placeholderAt(const char* format, size_t i, size_t* size)
{
    if (format[i] != '%' || format[i + 1] < '0' || format[i + 1] > '9')
        return 0;
    int number = format[i + 1] - '0';
    *size = 2;
    if (format[i + 2] >= '0' && format[i + 2] <= '9') {
        number = number * 10 + (format[i + 2] - '0');
        *size = 3;
    }
    return number;
}

// Which argument (or -1) the placeholder `number` takes: the rank of the
// number among the distinct numbers present.
void rankPlaceholders(const char* format, int* argumentOf, int count)
{
    bool present[100] = {false};
    size_t size = 0;
    for (size_t i = 0; format[i]; ++i)
        present[placeholderAt(format, i, &size)] = true;
    int rank = 0;
    for (int number = 0; number < 100; ++number)
        argumentOf[number] = -1;
    for (int number = 1; number < 100; ++number)
        if (present[number])
            argumentOf[number] = rank < count ? rank++ : -1;
}

} // namespace

vesk_string vesk_fill_placeholders(const char* format, const vesk_string* const* args, int count)
{
    int argumentOf[100];
    rankPlaceholders(format, argumentOf, count);

    // Measure, then build the whole text once: one assignment, so a short
    // command costs no heap allocation.
    size_t total = 0;
    size_t size = 0;
    for (size_t i = 0; format[i];) {
        int number = placeholderAt(format, i, &size);
        if (number > 0 && argumentOf[number] >= 0) {
            total += args[argumentOf[number]]->length();
            i += size;
        } else {
            ++total;
            ++i;
        }
    }
    char local[256];
    char* text = total < sizeof local ? local : static_cast<char*>(malloc(total + 1));
    if (!text)
        return vesk_string();
    size_t used = 0;
    for (size_t i = 0; format[i];) {
        int number = placeholderAt(format, i, &size);
        if (number > 0 && argumentOf[number] >= 0) {
            const vesk_string& value = *args[argumentOf[number]];
            memcpy(text + used, value.c_str(), value.length());
            used += value.length();
            i += size;
        } else {
            text[used++] = format[i++];
        }
    }
    text[used] = 0;
    vesk_string result(text);
    if (text != local)
        free(text);
    return result;
}
