/* stdlib.h of the C runtime layer for Microsoft's ABI: the heap and process
   functions of msvcrt.dll. Memory a module allocates goes back to the same
   module's heap (the interface's release rule), so every module may use it. */
#ifndef VESK_CRT_STDLIB_H
#define VESK_CRT_STDLIB_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void* __cdecl malloc(size_t size);
void* __cdecl calloc(size_t count, size_t size);
void* __cdecl realloc(void* block, size_t size);
void __cdecl free(void* block);
int __cdecl atoi(const char* text);
__declspec(noreturn) void __cdecl abort(void);
__declspec(noreturn) void __cdecl exit(int status);
/* Runs `function` when the module ends (a DLL when it is unloaded, a
   program when main returns); provided by the layer, not msvcrt. */
int __cdecl atexit(void(__cdecl* function)(void));

#ifdef __cplusplus
}
#endif

#endif
