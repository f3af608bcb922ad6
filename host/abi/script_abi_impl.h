// The implementations behind script_abi.h, for script_abi.cpp's factory.
#ifndef VESK_HOST_SCRIPT_ABI_IMPL_H
#define VESK_HOST_SCRIPT_ABI_IMPL_H

#include <memory>
#include <optional>

#include "abi/script_abi.h"

#if defined(_WIN32) && defined(__i386__)
#define VESK_HOST_WINDOWS_LAYOUTS 1
#endif

namespace vesk_host {

// The build's own layout through plain C++ virtual calls.
std::unique_ptr<ScriptAbi> makeNativeAbi(ScriptAbi::Host& host);
// The same calls into a script, for layouts whose host object is made elsewhere.
void* callNative(ScriptObject* script, void* data, int code);
void destroyNative(ScriptObject* script);

#if defined(VESK_HOST_WINDOWS_LAYOUTS)
// 32-bit Windows: the hand-made host table that serves gnu, msvc and learning.
std::unique_ptr<ScriptAbi> makeWindowsAbi(std::optional<AbiKind> kind, ScriptAbi::Host& host);
#endif

} // namespace vesk_host

#endif
