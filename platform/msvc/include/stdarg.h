/* stdarg.h of the C runtime layer for Microsoft's ABI: the compiler's
   built-in argument lists, which match msvcrt's va_list on x86. */
#ifndef VESK_CRT_STDARG_H
#define VESK_CRT_STDARG_H

typedef __builtin_va_list va_list;

#define va_start(list, last) __builtin_va_start(list, last)
#define va_arg(list, type) __builtin_va_arg(list, type)
#define va_end(list) __builtin_va_end(list)
#define va_copy(to, from) __builtin_va_copy(to, from)

#endif
