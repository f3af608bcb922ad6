/* string.h of the C runtime layer for Microsoft's ABI: the byte and text
   functions the script code uses, all exported by msvcrt.dll. */
#ifndef VESK_CRT_STRING_H
#define VESK_CRT_STRING_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void* __cdecl memcpy(void* to, const void* from, size_t count);
void* __cdecl memmove(void* to, const void* from, size_t count);
void* __cdecl memset(void* to, int byte, size_t count);
int __cdecl memcmp(const void* a, const void* b, size_t count);
size_t __cdecl strlen(const char* text);
int __cdecl strcmp(const char* a, const char* b);
int __cdecl strncmp(const char* a, const char* b, size_t count);

void* __cdecl memchr(const void* block, int byte, size_t count);
char* __cdecl strchr(const char* text, int byte);

#ifdef __cplusplus
}
#endif

#endif
