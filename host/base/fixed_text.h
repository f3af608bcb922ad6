// A text that grows in a buffer the caller owns and never overflows it:
// what is past the end is dropped, and the text always ends with a NUL.
// It allocates nothing and calls nothing that may, so it is safe in a
// signal handler, where the host writes its last report.
#ifndef VESK_HOST_FIXED_TEXT_H
#define VESK_HOST_FIXED_TEXT_H

#include <cstddef>
#include <string_view>

namespace vesk_host {

class FixedText {
public:
    // `size` > 0 bytes at `buffer`, which must outlive the text.
    FixedText(char* buffer, std::size_t size) : buffer_(buffer), size_(size) { buffer_[0] = '\0'; }

    void text(std::string_view piece)
    {
        for (const char c : piece)
            put(c);
    }
    void number(long long value)
    {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long long rest =
            negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest > 0);
        if (negative)
            put('-');
        while (n > 0)
            put(digits[--n]);
    }
    // In double quotes as the transcript shows texts: quotes, backslashes and
    // bytes outside printable ASCII escaped, cut after `shown` bytes.
    void quoted(std::string_view piece, std::size_t shown = 100)
    {
        put('"');
        std::size_t count = 0;
        for (const char c : piece) {
            if (++count > shown) {
                text("...");
                break;
            }
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                put('\\');
                put(c);
            } else if (c == '\n' || c == '\r' || c == '\t') {
                put('\\');
                put(c == '\n' ? 'n' : c == '\r' ? 'r' : 't');
            } else if (byte < 0x20 || byte > 0x7e) {
                put('\\');
                put('x');
                hexByte(byte);
            } else {
                put(c);
            }
        }
        put('"');
    }
    // A JSON string's content: quotes, backslashes and control bytes escaped.
    void json(std::string_view piece)
    {
        for (const char c : piece) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                put('\\');
                put(c);
            } else if (byte < 0x20) {
                text("\\u00");
                hexByte(byte);
            } else {
                put(c);
            }
        }
    }
    std::size_t length() const { return length_; }

private:
    void hexByte(unsigned char byte)
    {
        static const char hex[] = "0123456789abcdef";
        put(hex[byte >> 4]);
        put(hex[byte & 15]);
    }
    void put(char c)
    {
        if (length_ + 1 >= size_)
            return;
        buffer_[length_++] = c;
        buffer_[length_] = '\0';
    }

    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
};

} // namespace vesk_host

#endif
