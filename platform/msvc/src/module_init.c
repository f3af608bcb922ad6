/* Start and end of a module built on the C runtime layer: the C++ static
   initialisers the compiler lists in the .CRT$XCU section, and the
   functions registered with atexit (destructors of static objects).
   Each DLL and program links its own copy, so a DLL's static objects end
   when that DLL is unloaded, not when the process ends. */
#include "module_init.h"

typedef void(__cdecl* vesk_module_function)(void);

/* The linker sorts .CRT$XC* by the text after '$': the compiler's entries
   (XCU) land between these two markers. */
#pragma section(".CRT$XCA", read)
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCA")) static const vesk_module_function initialisersBegin = 0;
__declspec(allocate(".CRT$XCZ")) static const vesk_module_function initialisersEnd = 0;

enum { exitSlots = 64 };
static vesk_module_function exitFunctions[exitSlots];
static int exitCount;

void vesk_module_start(void)
{
    /* The linker may pad between entries with zeros. */
    for (const vesk_module_function* entry = &initialisersBegin + 1; entry < &initialisersEnd; ++entry)
        if (*entry)
            (*entry)();
}

void vesk_module_end(void)
{
    while (exitCount > 0)
        exitFunctions[--exitCount]();
}

int __cdecl atexit(vesk_module_function function)
{
    /* A full table refuses: the caller learns it, nothing is overwritten. */
    if (!function || exitCount == exitSlots)
        return -1;
    exitFunctions[exitCount++] = function;
    return 0;
}
