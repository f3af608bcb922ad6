/* stdio.h of the C runtime layer for Microsoft's ABI: formatting into a
   buffer and printing, on msvcrt.dll. */
#ifndef VESK_CRT_STDIO_H
#define VESK_CRT_STDIO_H

#include <stdarg.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _iobuf FILE;

int __cdecl printf(const char* format, ...) __attribute__((__format__(__printf__, 1, 2)));
int __cdecl fflush(FILE* stream);
int __cdecl _vsnprintf(char* buffer, size_t size, const char* format, va_list arguments);

#ifdef __cplusplus
}
#endif

/* msvcrt's _vsnprintf leaves the buffer without its NUL when the text does
   not fit (and then returns -1). This vsnprintf always ends the text inside
   the buffer; a negative result still means the text was cut. */
static inline int vsnprintf(char* buffer, size_t size, const char* format, va_list arguments)
{
    int written = _vsnprintf(buffer, size, format, arguments);
    if (size > 0 && (written < 0 || (size_t)written >= size))
        buffer[size - 1] = 0;
    return written;
}

static inline int snprintf(char* buffer, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int written = vsnprintf(buffer, size, format, arguments);
    va_end(arguments);
    return written;
}

#endif
