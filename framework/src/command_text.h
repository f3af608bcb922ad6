// CommandText: builds one command text (or the debugger line) on the stack.
//
// Placeholders "%1".."%99" are filled in one pass: the n-th lowest number
// present takes argument n, as successive vesk_string::arg calls would, but
// every argument is inserted exactly once and never scanned again (an
// argument holding "%2" stays "%2"). Placeholders without an argument stay.
// Texts up to the local capacity cost no heap allocation; longer ones take
// one block. If that block cannot be had, text() is null and the caller
// sends nothing.
#ifndef VESK_COMMAND_TEXT_H
#define VESK_COMMAND_TEXT_H

#include <stddef.h>

#include "vesk_string.h"

class CommandText {
public:
    CommandText(const char* format, const vesk_string* const* args, int count);
    explicit CommandText(const char* literal);
    ~CommandText();

    CommandText(const CommandText&) = delete;
    CommandText& operator=(const CommandText&) = delete;

    // Appends `text` unchanged.
    CommandText& operator<<(const char* text);
    // NUL-terminated text; null after an allocation failure.
    const char* text() const { return failed_ ? 0 : data_; }

private:
    bool reserve(size_t extra);
    void put(const char* text, size_t count);

    enum { localCapacity = 192 };
    char local_[localCapacity];
    char* data_;
    size_t length_;
    size_t capacity_;
    bool failed_;
};

#endif
