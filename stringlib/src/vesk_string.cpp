#include "vesk_string.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Texts longer than this are refused (the string becomes empty): it keeps
// every size computation far from unsigned overflow.
const size_t maxLength = 0x7fff0000u;

size_t textLength(const char* text) { return text ? strlen(text) : 0; }

} // namespace

extern "C" int vesk_text_to_int(const char* text)
{
    if (!text)
        return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate as a negative number so that INT_MIN fits.
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 - (*p - '0');
        if (value < static_cast<long long>(INT_MIN))
            return 0;
    }
    if (!negative) {
        if (-value > static_cast<long long>(INT_MAX))
            return 0;
        return static_cast<int>(-value);
    }
    return static_cast<int>(value);
}

vesk_string::vesk_string() : data_(inline_), length_(0), capacity_(inlineCapacity) { inline_[0] = 0; }

vesk_string::vesk_string(const char* text) : vesk_string() { assign(text, textLength(text)); }

vesk_string::vesk_string(const vesk_string& other) : vesk_string() { assign(other.data_, other.length_); }

namespace {

// Writes the text of `value` in `base` into `text` (room for 72 bytes) and
// returns its length.
size_t formatNumber(int value, char fill, unsigned width, int base, char* text)
{
    if (base < 2 || base > 36)
        base = 10;
    if (width > 64)
        width = 64;
    char digits[40];
    size_t count = 0;
    // Work on the magnitude as unsigned so that INT_MIN is safe.
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (base == 10) {
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
    } else {
        do {
            digits[count++] = "0123456789abcdefghijklmnopqrstuvwxyz"[magnitude % static_cast<unsigned>(base)];
            magnitude /= static_cast<unsigned>(base);
        } while (magnitude != 0);
    }
    if (value < 0)
        digits[count++] = '-';
    size_t used = 0;
    for (size_t pad = count; pad < width; ++pad)
        text[used++] = fill ? fill : ' ';
    while (count > 0)
        text[used++] = digits[--count];
    text[used] = 0;
    return used;
}

} // namespace

vesk_string::vesk_string(int value, char fill, unsigned width, int base) : vesk_string()
{
    char text[72];
    assign(text, formatNumber(value, fill, width, base, text));
}

vesk_string::~vesk_string() { release(); }

void vesk_string::release()
{
    if (data_ != inline_)
        free(data_);
    data_ = inline_;
    capacity_ = inlineCapacity;
    length_ = 0;
    inline_[0] = 0;
}

bool vesk_string::reserve(size_t count)
{
    if (count <= capacity_)
        return true;
    if (count > maxLength)
        return false;
    size_t grown = static_cast<size_t>(capacity_) * 2;
    size_t wanted = count > grown ? count : grown;
    if (wanted > maxLength)
        wanted = count;
    char* block = static_cast<char*>(malloc(wanted + 1));
    if (!block)
        return false;
    memcpy(block, data_, length_ + 1);
    if (data_ != inline_)
        free(data_);
    data_ = block;
    capacity_ = static_cast<unsigned>(wanted);
    return true;
}

void vesk_string::assign(const char* text, size_t count)
{
    if (count == 0) {
        // Also the path of a null text, which memcpy must never see.
        length_ = 0;
        data_[0] = 0;
        return;
    }
    bool aliased = text >= data_ && text <= data_ + length_;
    if (!aliased && count <= capacity_) {
        // The common case: it fits where we are.
        memcpy(data_, text, count);
        length_ = static_cast<unsigned>(count);
        data_[count] = 0;
        return;
    }
    if (aliased) {
        // Assigning a piece of ourselves: copy it out first.
        vesk_string copy;
        copy.assign(text, count);
        *this = copy;
        return;
    }
    length_ = 0;
    data_[0] = 0;
    append(text, count);
}

void vesk_string::append(const char* text, size_t count)
{
    if (count == 0)
        return;
    if (count > maxLength - length_ || !reserve(length_ + count)) {
        release();
        return;
    }
    memmove(data_ + length_, text, count);
    length_ += static_cast<unsigned>(count);
    data_[length_] = 0;
}

vesk_string& vesk_string::operator=(const char* text)
{
    assign(text, textLength(text));
    return *this;
}

vesk_string& vesk_string::operator=(const vesk_string& other)
{
    if (this != &other)
        assign(other.data_, other.length_);
    return *this;
}

vesk_string& vesk_string::operator+=(const vesk_string& other)
{
    // Appending to itself: the source may move when the block grows.
    if (this == &other) {
        vesk_string copy(other);
        append(copy.data_, copy.length_);
    } else {
        append(other.data_, other.length_);
    }
    return *this;
}

vesk_string& vesk_string::operator+=(const char* text)
{
    if (text >= data_ && text <= data_ + length_) {
        vesk_string copy(text);
        append(copy.data_, copy.length_);
    } else {
        append(text, textLength(text));
    }
    return *this;
}

int vesk_string::toInt() const { return vesk_text_to_int(data_); }

int vesk_string::split(char separator, vesk_string& left, vesk_string& right) const
{
    const char* cut = static_cast<const char*>(memchr(data_, separator, length_));
    if (!cut) {
        left = *this;
        right = "";
        return 0;
    }
    // Work from a copy: `left` or `right` may be this string.
    vesk_string whole(*this);
    size_t before = static_cast<size_t>(cut - data_);
    left.assign(whole.data_, before);
    right.assign(whole.data_ + before + 1, whole.length_ - before - 1);
    return 1;
}

namespace {

// Number of the placeholder at text[i] ("%1".."%99"), its length in `size`;
// 0 when there is none.
int placeholderAt(const char* text, size_t i, size_t length, size_t* size)
{
    if (text[i] != '%' || i + 1 >= length || text[i + 1] < '0' || text[i + 1] > '9')
        return 0;
    int number = text[i + 1] - '0';
    *size = 2;
    if (i + 2 < length && text[i + 2] >= '0' && text[i + 2] <= '9') {
        number = number * 10 + (text[i + 2] - '0');
        *size = 3;
    }
    return number;
}

} // namespace

vesk_string vesk_string::arg(const vesk_string& value) const
{
    int lowest = 0;
    size_t size = 0;
    for (size_t i = 0; i < length_; ++i) {
        int number = placeholderAt(data_, i, length_, &size);
        if (number > 0 && (lowest == 0 || number < lowest))
            lowest = number;
    }
    if (lowest == 0)
        return *this;
    vesk_string result;
    size_t start = 0;
    for (size_t i = 0; i < length_;) {
        if (placeholderAt(data_, i, length_, &size) == lowest) {
            result.append(data_ + start, i - start);
            result.append(value.data_, value.length_);
            i += size;
            start = i;
        } else {
            ++i;
        }
    }
    result.append(data_ + start, length_ - start);
    return result;
}

vesk_string vesk_string::arg(int value, char fill, unsigned width, int base) const
{
    return arg(vesk_string(value, fill, width, base));
}

void* vesk_string::operator new(size_t size) noexcept { return malloc(size); }

void vesk_string::operator delete(void* block) noexcept { free(block); }

vesk_string operator+(const vesk_string& a, const vesk_string& b)
{
    vesk_string result(a);
    result += b;
    return result;
}

vesk_string operator+(const vesk_string& a, const char* b)
{
    vesk_string result(a);
    result += b;
    return result;
}

vesk_string operator+(const char* a, const vesk_string& b)
{
    vesk_string result(a);
    result += b;
    return result;
}

bool operator==(const vesk_string& a, const char* text)
{
    return strcmp(a.c_str(), text ? text : "") == 0;
}

bool operator==(const vesk_string& a, const vesk_string& b)
{
    return a.length() == b.length() && memcmp(a.c_str(), b.c_str(), a.length()) == 0;
}

bool operator==(const vesk_string& a, int number)
{
    char text[72];
    size_t length = formatNumber(number, 0, 0, 10, text);
    return a.length() == length && memcmp(a.c_str(), text, length) == 0;
}
