// Export macro of the string library module (libvesk_string.so / vesk_string.dll).
//
// The string types cross the module boundary: the library builds with
// VESK_STRING_BUILDING defined and exports them; every user imports them.
// A static build (VESK_STRING_STATIC) uses neither.
#ifndef VESK_STRING_EXPORT_H
#define VESK_STRING_EXPORT_H

#if defined(VESK_STRING_STATIC)
#  define VESK_STRING_API
#elif defined(_WIN32)
#  if defined(VESK_STRING_BUILDING)
#    define VESK_STRING_API __declspec(dllexport)
#  else
#    define VESK_STRING_API __declspec(dllimport)
#  endif
#else
#  define VESK_STRING_API __attribute__((visibility("default")))
#endif

#endif
