// The three kernel32.dll functions a host uses to load a script library.
#ifndef VESK_ABI_HOST_WINDOWS_LOADER_H
#define VESK_ABI_HOST_WINDOWS_LOADER_H

extern "C" {
__declspec(dllimport) void* __stdcall LoadLibraryA(const char* file);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall FreeLibrary(void* module);
}

#endif
