#include "traps/exception_names.h"

#include "base/fixed_text.h"

namespace vesk_host {

namespace {

struct ExceptionRow {
    std::uint32_t code;
    const char* name;
    const char* meaning;
};

const ExceptionRow exceptions[] = {
    {0xC0000005, "access violation", "a read or write of memory it does not own"},
    {0xC00000FD, "stack overflow", "its stack ran out"},
    {0xC0000094, "integer division by zero", "an arithmetic fault (a division by zero)"},
    {0xC0000095, "integer overflow", "an arithmetic fault"},
    {0xC000001D, "illegal instruction", "an illegal instruction"},
    {0xC0000096, "privileged instruction", "an illegal instruction"},
    {0xC0000006, "in-page error", "a read of memory whose file went away"},
    {0xC0000008, "invalid handle", "a handle it does not own"},
    {0xC0000374, "heap corruption", "the C runtime stopping a heap error"},
    {0xC0000409, "stack buffer overrun", "the C runtime stopping a broken stack or a fast fail"},
    {0xC000008C, "array bounds exceeded", "an arithmetic fault"},
    {0xC000008E, "floating-point division by zero", "an arithmetic fault (a division by zero)"},
    {0xC0000090, "invalid floating-point operation", "an arithmetic fault"},
    {0x80000003, "breakpoint", "a breakpoint (a debug trap)"},
    {0x80000004, "single step", "a debug trap"},
    {0x80000002, "misaligned data", "a misaligned read or write"},
};

const ExceptionRow* rowOf(std::uint32_t code)
{
    for (const ExceptionRow& row : exceptions)
        if (row.code == code)
            return &row;
    return nullptr;
}

} // namespace

void writeExceptionName(std::uint32_t code, char* into, std::size_t size)
{
    if (size == 0)
        return;
    FixedText out(into, size);
    const ExceptionRow* row = rowOf(code);
    out.text(row ? row->name : "exception");
    out.text(" 0x");
    for (int shift = 28; shift >= 0; shift -= 4)
        out.text(std::string_view(&"0123456789ABCDEF"[(code >> shift) & 0xF], 1));
}

const char* exceptionMeaning(std::uint32_t code)
{
    const ExceptionRow* row = rowOf(code);
    return row ? row->meaning : "an exception nothing handled";
}

bool isExceptionCode(std::uint32_t code) { return code >= 0xC0000000 || (code >= 0x80000001 && code <= 0x80000004); }

} // namespace vesk_host
