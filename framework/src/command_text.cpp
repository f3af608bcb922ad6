#include "command_text.h"

#include <stdint.h>
#include <stdlib.h>

namespace {

const size_t maxText = 0x40000000u;

// Placeholder number at text[0] ("%1".."%99"), 0 if none; `size` gets its length.
int placeholderAt(const char* text, size_t* size)
{
    if (text[0] != '%' || text[1] < '0' || text[1] > '9')
        return 0;
    int number = text[1] - '0';
    *size = 2;
    if (text[2] >= '0' && text[2] <= '9') {
        number = number * 10 + (text[2] - '0');
        *size = 3;
    }
    return number;
}

int bitCount(uint64_t bits)
{
    int count = 0;
    for (; bits; bits &= bits - 1)
        ++count;
    return count;
}

// How many of the numbers in `present` are smaller than `number`.
int rankOf(const uint64_t present[2], int number)
{
    uint64_t below = number < 64 ? present[0] & ((uint64_t(1) << number) - 1) : present[0];
    int rank = bitCount(below);
    if (number > 64)
        rank += bitCount(present[1] & ((uint64_t(1) << (number - 64)) - 1));
    return rank;
}

} // namespace

CommandText& CommandText::operator<<(int number)
{
    char reversed[12];
    size_t count = 0;
    // The magnitude as unsigned, so that INT_MIN is safe.
    unsigned magnitude = number < 0 ? 0u - static_cast<unsigned>(number) : static_cast<unsigned>(number);
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    char digits[12];
    size_t length = 0;
    if (number < 0)
        digits[length++] = '-';
    while (count > 0)
        digits[length++] = reversed[--count];
    put(digits, length);
    return *this;
}

CommandText::CommandText(const char* literal) : data_(local_), length_(0), capacity_(localCapacity), failed_(false)
{
    local_[0] = 0;
    *this << literal;
}

CommandText::CommandText(const char* format, const vesk_string* const* args, int count)
    : data_(local_), length_(0), capacity_(localCapacity), failed_(false)
{
    local_[0] = 0;
    // The numbers present, as a 128-bit set; the argument a placeholder
    // takes is the count of smaller numbers present.
    uint64_t present[2] = {0, 0};
    size_t size = 0;
    for (const char* p = strchr(format, '%'); p; p = strchr(p + 1, '%')) {
        int number = placeholderAt(p, &size);
        present[number >> 6] |= uint64_t(1) << (number & 63);
    }

    const char* start = format;
    const char* p = strchr(format, '%');
    while (p) {
        int number = placeholderAt(p, &size);
        int rank = number > 0 ? rankOf(present, number) : count;
        if (rank < count) {
            put(start, static_cast<size_t>(p - start));
            put(args[rank]->c_str(), args[rank]->length());
            start = p + size;
            p = strchr(start, '%');
        } else {
            p = strchr(p + 1, '%');
        }
    }
    put(start, strlen(start));
}

CommandText::~CommandText()
{
    if (data_ != local_)
        free(data_);
}

void CommandText::putLong(const char* text, size_t count)
{
    if (failed_)
        return;
    if (count > maxText - length_) {
        failed_ = true;
        return;
    }
    size_t wanted = (length_ + count) * 2;
    char* block = static_cast<char*>(malloc(wanted));
    if (!block) {
        failed_ = true;
        return;
    }
    memcpy(block, data_, length_);
    if (data_ != local_)
        free(data_);
    data_ = block;
    capacity_ = wanted;
    memcpy(data_ + length_, text, count);
    length_ += count;
    data_[length_] = 0;
}
