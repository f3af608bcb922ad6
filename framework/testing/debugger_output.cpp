#include "debugger_output.h"

#if defined(_WIN32)
#include <windows.h>

namespace {

// OutputDebugStringA announces its text to a debugger by raising this
// exception with two parameters: the length including the NUL, and the text.
// A vectored handler sees it first and lets the system go on as usual.
const DWORD debugPrintException = 0x40010006;

std::string* capturing = nullptr;

LONG CALLBACK noteDebugText(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    if (capturing && record->ExceptionCode == debugPrintException && record->NumberParameters >= 2) {
        const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        ULONG_PTR length = record->ExceptionInformation[0];
        if (text && length > 0)
            capturing->append(text, length - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

std::string captureDebuggerOutput(const std::function<void()>& action)
{
    std::string text;
    capturing = &text;
    void* handler = AddVectoredExceptionHandler(1, noteDebugText);
    action();
    RemoveVectoredExceptionHandler(handler);
    capturing = nullptr;
    return text;
}
#endif
