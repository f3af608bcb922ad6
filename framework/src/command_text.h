// CommandText: builds one command text (or the debugger line) on the stack.
//
// Command texts are built by appending their pieces; arguments go in
// unchanged. For the debugger line, placeholders "%1".."%99" are filled in one pass: the n-th lowest number
// present takes argument n, as successive vesk_string::arg calls would, but
// every argument is inserted exactly once and never scanned again (an
// argument holding "%2" stays "%2"). Placeholders without an argument stay.
// Texts up to the local capacity cost no heap allocation; longer ones take
// one block. If that block cannot be had, text() is null and the caller
// sends nothing.
#ifndef VESK_COMMAND_TEXT_H
#define VESK_COMMAND_TEXT_H

#include <stddef.h>
#include <string.h>

#include "vesk_string.h"

class CommandText {
public:
    // `format` with its placeholders filled by args[0..count-1].
    CommandText(const char* format, const vesk_string* const* args, int count);
    // Starts with `literal`; the rest is appended with <<.
    explicit CommandText(const char* literal);
    ~CommandText();

    CommandText(const CommandText&) = delete;
    CommandText& operator=(const CommandText&) = delete;

    // Appends `text` unchanged.
    CommandText& operator<<(const char* text)
    {
        if (text)
            put(text, strlen(text));
        return *this;
    }
    CommandText& operator<<(const vesk_string& text)
    {
        put(text.c_str(), text.length());
        return *this;
    }
    // Appends the plain decimal text of `number`.
    CommandText& operator<<(int number);
    // NUL-terminated text; null after an allocation failure.
    const char* text() const { return failed_ ? 0 : data_; }

private:
    void put(const char* text, size_t count)
    {
        if (length_ + count < capacity_) {
            memcpy(data_ + length_, text, count);
            length_ += count;
            data_[length_] = 0;
        } else {
            putLong(text, count);
        }
    }
    void putLong(const char* text, size_t count);

    enum { localCapacity = 192 };
    char local_[localCapacity];
    char* data_;
    size_t length_;
    size_t capacity_;
    bool failed_;
};

#endif
