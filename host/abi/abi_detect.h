// Which C++ layout a script DLL was built for, read from the file before it
// is loaded (see pe_image.h), and the emulator's choice from --abi.
//
// Clues, strongest first:
//   mangled names in the import and export tables: "?" starts Microsoft's,
//     "_Z" GNU's (a script importing vesk_string.dll always has them);
//   runtime DLLs it imports: libstdc++*, libgcc*, libc++*, libunwind* mean
//     GNU; msvcp*, vcruntime*, concrt* mean Microsoft. msvcrt.dll and
//     ucrtbase.dll serve both and prove nothing.
// Clues that contradict each other count as none. With none, the layout is
// learned from the script's first call (see script_abi.h); it is never guessed.
#ifndef VESK_HOST_ABI_DETECT_H
#define VESK_HOST_ABI_DETECT_H

#include <optional>
#include <string>

#include "abi/pe_image.h"
#include "abi/script_abi.h"

namespace vesk_host {

struct AbiClue {
    std::optional<AbiKind> kind;  // gnu or msvc; nothing without a clue
    std::string evidence;         // "imports ??0vesk_string@@QAE@PBD@Z from vesk_string.dll", ...
};

AbiClue abiClueOf(const PeImage& image);

struct AbiDecision {
    std::optional<AbiKind> kind;  // nothing: learn it from the script's first call
    std::string reason;           // why, for the message
    std::string warning;          // a given layout the file contradicts
};

// `requested` is what --abi says: auto, native, gnu or msvc. The file is
// read only for auto and, to warn, for a given layout; a file that cannot
// be read or is no PE image gives no clue (loading it will say why).
// An error for a request that is no layout (invalid) or that this build
// cannot carry out (unsupported).
Result<AbiDecision> decideAbi(const std::string& requested, const std::string& library);

// The message line: "abi msvc (imports ... from vesk_string.dll)".
std::string abiLine(AbiKind kind, const std::string& reason);

} // namespace vesk_host

#endif
