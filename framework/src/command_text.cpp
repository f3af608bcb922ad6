#include "command_text.h"

#include <stdlib.h>
#include <string.h>

namespace {

const size_t maxText = 0x40000000u;

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

} // namespace

CommandText::CommandText(const char* literal) : data_(local_), length_(0), capacity_(localCapacity), failed_(false)
{
    local_[0] = 0;
    *this << literal;
}

CommandText::CommandText(const char* format, const vesk_string* const* args, int count)
    : data_(local_), length_(0), capacity_(localCapacity), failed_(false)
{
    local_[0] = 0;
    // Argument for each placeholder number: its rank among the numbers present.
    bool present[100] = {false};
    size_t size = 0;
    for (size_t i = 0; format[i]; ++i)
        present[placeholderAt(format, i, &size)] = true;
    signed char argumentOf[100];
    int rank = 0;
    argumentOf[0] = -1;
    for (int number = 1; number < 100; ++number)
        argumentOf[number] = present[number] && rank < count ? static_cast<signed char>(rank++) : -1;

    size_t start = 0;
    size_t i = 0;
    while (format[i]) {
        int number = placeholderAt(format, i, &size);
        if (number > 0 && argumentOf[number] >= 0) {
            put(format + start, i - start);
            const vesk_string& value = *args[argumentOf[number]];
            put(value.c_str(), value.length());
            i += size;
            start = i;
        } else {
            ++i;
        }
    }
    put(format + start, i - start);
}

CommandText::~CommandText()
{
    if (data_ != local_)
        free(data_);
}

CommandText& CommandText::operator<<(const char* text)
{
    if (text)
        put(text, strlen(text));
    return *this;
}

bool CommandText::reserve(size_t extra)
{
    if (failed_ || extra > maxText - length_)
        return false;
    if (length_ + extra < capacity_)
        return true;
    size_t wanted = (length_ + extra) * 2;
    char* block = static_cast<char*>(malloc(wanted));
    if (!block)
        return false;
    memcpy(block, data_, length_ + 1);
    if (data_ != local_)
        free(data_);
    data_ = block;
    capacity_ = wanted;
    return true;
}

void CommandText::put(const char* text, size_t count)
{
    if (!reserve(count)) {
        failed_ = true;
        return;
    }
    memcpy(data_ + length_, text, count);
    length_ += count;
    data_[length_] = 0;
}
