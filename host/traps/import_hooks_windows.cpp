#include "traps/import_hooks_windows.h"

#include <cstdint>

namespace vesk_host {

int hookImports(HMODULE module, HookFor hookFor)
{
    auto* base = reinterpret_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!module || dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC ||
        nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT)
        return 0;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return 0;
    int hooked = 0;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        // Without the names' table (an image bound at link time) the names cannot be read.
        if (entry->OriginalFirstThunk == 0)
            continue;
        const char* dll = reinterpret_cast<const char*>(base + entry->Name);
        const HMODULE provider = GetModuleHandleA(dll);
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            void* hook = hookFor(dll, provider, reinterpret_cast<const char*>(byName->Name));
            const auto address = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(hook));
            if (!hook || slots->u1.Function == address)
                continue;
            DWORD before = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &before))
                continue;
            slots->u1.Function = address;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, before, &before);
            ++hooked;
        }
    }
    return hooked;
}

} // namespace vesk_host
