// The two pieces of a C++ runtime that code built without one still needs
// under Microsoft's ABI.
#include <stddef.h>
#include <stdlib.h>

extern "C" __declspec(dllimport) void __stdcall OutputDebugStringA(const char* text);

// Deleting destructors of classes without an operator delete of their own
// name the global one; such objects come from malloc like everything else.
void operator delete(void* block) noexcept { free(block); }
void operator delete(void* block, size_t) noexcept { free(block); }

// Fills the vtable slot of a pure virtual function. Reaching it is a bug in
// the caller (a call during construction or destruction): stop at once.
extern "C" int __cdecl _purecall()
{
    OutputDebugStringA("pure virtual function called");
    abort();
}
