#include "debug_output.h"

#if defined(_WIN32)
extern "C" __declspec(dllimport) void __stdcall OutputDebugStringA(const char* text);

void vesk_debug_output(const char* text) { OutputDebugStringA(text ? text : ""); }
#else
#include <stdio.h>
#include <string.h>

void vesk_debug_output(const char* text)
{
    if (!text)
        return;
    fwrite(text, 1, strlen(text), stderr);
    fflush(stderr);
}
#endif
