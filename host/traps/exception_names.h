// Names of the Windows exception codes that end a process, for reports:
// "access violation 0xC0000005". Plain tables, no Windows header: a
// supervisor on any platform may word a code it was given.
#ifndef VESK_HOST_TRAPS_EXCEPTION_NAMES_H
#define VESK_HOST_TRAPS_EXCEPTION_NAMES_H

#include <cstddef>
#include <cstdint>

namespace vesk_host {

// Writes "access violation 0xC0000005" (or "exception 0x........" for a
// code without a name here) into `into`, NUL-ended and cut to `size`.
// Allocates nothing: safe in an exception handler.
void writeExceptionName(std::uint32_t code, char* into, std::size_t size);
// What the exception means for a report ("a read or write of memory it
// does not own"); a general phrase for a code without a meaning here.
const char* exceptionMeaning(std::uint32_t code);
// Whether a process's exit code is an exception code (errors, or the
// debug warnings that end a process when nothing handles them).
bool isExceptionCode(std::uint32_t code);

} // namespace vesk_host

#endif
