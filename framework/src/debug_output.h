// The debugger output: OutputDebugStringA on Windows; elsewhere standard
// error. The text is written unchanged: no prefix, no line end added.
#ifndef VESK_DEBUG_OUTPUT_H
#define VESK_DEBUG_OUTPUT_H

void vesk_debug_output(const char* text);

#endif
