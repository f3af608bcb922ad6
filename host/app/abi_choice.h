// The --abi option of run and validate: what it prints on standard error
// ("vesk_host: abi msvc (imports ... from vesk_string.dll)") and the JSON
// line run writes after the transcript. The choice itself is abi_detect.h's.
#ifndef VESK_HOST_APP_ABI_CHOICE_H
#define VESK_HOST_APP_ABI_CHOICE_H

#include <optional>
#include <string>

#include "abi/abi_detect.h"
#include "emulator/script_host.h"

namespace vesk_host {

// The words the option takes, for help texts.
constexpr const char* abiOptionValues = "auto|native|gnu|msvc";

// Decides and says so on standard error, prefixed with `who`; nothing (and
// the error said) when the request cannot be carried out.
std::optional<AbiDecision> chooseAbi(const std::string& requested, const std::string& library, const char* who);

// Once the script has started: the layout learned from its first call, said
// on standard error when it was to be learned.
void reportLearnedAbi(const AbiDecision& decision, const ScriptHost& host, const char* who);

// Why a start-up failed, naming the library: the layout's problem, or the export's null.
std::string startFailure(const Error& failure, const std::string& library);

// The layout in use and why, one JSON line: {"kind":"abi","depth":0,"abi":...,"reason":...}.
std::string abiJsonLine(const AbiDecision& decision, const ScriptHost& host);

} // namespace vesk_host

#endif
