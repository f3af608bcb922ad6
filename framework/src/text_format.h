// One-pass filling of "%1".."%99" placeholders, for command texts and the
// debugger line.
//
// The n-th lowest placeholder number present in `format` takes args[n-1],
// as successive vesk_string::arg calls would, but every argument is
// inserted exactly once and never scanned again: an argument that holds
// "%2" stays "%2". Placeholders without an argument stay as they are.
#ifndef VESK_TEXT_FORMAT_H
#define VESK_TEXT_FORMAT_H

#include "vesk_string.h"

vesk_string vesk_fill_placeholders(const char* format, const vesk_string* const* args, int count);

#endif
