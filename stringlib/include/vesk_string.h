// vesk_string: the text type every script and the framework use.
//
// Ownership: a vesk_string owns its characters. Texts of up to
// vesk_string::inlineCapacity characters live inside the object (no heap);
// longer ones live in one malloc'd block that the string frees. The type
// manages memory with C library functions only, so it can cross a DLL
// boundary built without a C++ standard library.
//
// Bad input: a null `const char*` reads as the empty text. When memory runs
// out the string becomes empty rather than holding a partial text.
// Thread: none of its own; a string is used by one thread at a time.
#ifndef VESK_STRING_H
#define VESK_STRING_H

#include <stddef.h>

#include "vesk_string_export.h"

class VESK_STRING_API vesk_string {
public:
    // Characters kept inline without a heap allocation (NUL not counted).
    enum { inlineCapacity = 39 };

    vesk_string();
    vesk_string(const char* text);
    vesk_string(const vesk_string& other);
    // Text of `value` in `base` (2..36, anything else means 10), padded on
    // the left with `fill` (a blank when fill is 0) to at least `width`
    // characters (at most 64). (n, 0, 0, 10) gives the plain decimal text.
    vesk_string(int value, char fill, unsigned width, int base);
    virtual ~vesk_string();

    vesk_string& operator=(const char* text);
    vesk_string& operator=(const vesk_string& other);
    vesk_string& operator+=(const vesk_string& other);
    vesk_string& operator+=(const char* text);

    // NUL-terminated text; valid while this string lives unchanged.
    operator const char*() const { return data_; }
    const char* c_str() const { return data_; }
    unsigned length() const { return length_; }

    // Like atoi: leading blanks, optional sign, leading decimal digits;
    // 0 when no digit leads and 0 when the value does not fit in 32 bits.
    int toInt() const;
    operator int() const { return toInt(); }

    // Splits at the first `separator`: `left` gets the text before it,
    // `right` everything after it (further separators included). Without a
    // separator `left` gets the whole text and `right` is empty. Returns 1
    // when it split, 0 when not. `left` or `right` may be this string.
    int split(char separator, vesk_string& left, vesk_string& right) const;

    // Copy with every occurrence of the lowest-numbered placeholder still
    // present ("%1" .. "%99") replaced by the argument; an unchanged copy
    // when no placeholder is left.
    vesk_string arg(const vesk_string& value) const;
    vesk_string arg(int value, char fill, unsigned width, int base) const;

    // Class-level allocation on the C heap, so that `new vesk_string` needs
    // no C++ runtime; a failed allocation yields null, never an exception.
    static void* operator new(size_t size) noexcept;
    static void* operator new(size_t size, void* where) noexcept { (void)size; return where; }
    static void operator delete(void* block) noexcept;
    static void operator delete(void*, void*) noexcept {}

private:
    // Replaces the text with `count` bytes from `text` (need not be NUL-terminated).
    void assign(const char* text, size_t count);
    // Appends `count` bytes; becomes empty if memory runs out.
    void append(const char* text, size_t count);
    // Makes room for `count` characters plus NUL; false when out of memory.
    bool reserve(size_t count);
    void release();

    char* data_;
    unsigned length_;
    unsigned capacity_;
    char inline_[inlineCapacity + 1];
};

VESK_STRING_API vesk_string operator+(const vesk_string& a, const vesk_string& b);
VESK_STRING_API vesk_string operator+(const vesk_string& a, const char* b);
VESK_STRING_API vesk_string operator+(const char* a, const vesk_string& b);

// Case-sensitive equality over the whole text; a null `text` equals "".
VESK_STRING_API bool operator==(const vesk_string& a, const char* text);
VESK_STRING_API bool operator==(const vesk_string& a, const vesk_string& b);
// True exactly when the text is the plain decimal text of `number`:
// "1" equals 1, "01", " 1" and "1x" do not.
VESK_STRING_API bool operator==(const vesk_string& a, int number);

inline bool operator!=(const vesk_string& a, const char* text) { return !(a == text); }
inline bool operator!=(const vesk_string& a, const vesk_string& b) { return !(a == b); }
inline bool operator!=(const vesk_string& a, int number) { return !(a == number); }

// atoi with the same rules as vesk_string::toInt, on a C text (null gives 0).
extern "C" VESK_STRING_API int vesk_text_to_int(const char* text);

#endif
