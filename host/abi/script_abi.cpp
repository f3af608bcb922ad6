#include "abi/script_abi.h"

#include "abi/script_abi_impl.h"

namespace vesk_host {

const char* abiKindName(AbiKind kind)
{
    switch (kind) {
    case AbiKind::gnu:
        return "gnu";
    case AbiKind::msvc:
        return "msvc";
    default:
        return "native";
    }
}

std::optional<AbiKind> abiKindNamed(const std::string& name)
{
    for (AbiKind kind : {AbiKind::native, AbiKind::gnu, AbiKind::msvc})
        if (name == abiKindName(kind))
            return kind;
    return std::nullopt;
}

AbiKind ownAbi()
{
#if defined(VESK_HOST_WINDOWS_LAYOUTS)
    return AbiKind::gnu;
#else
    return AbiKind::native;
#endif
}

std::vector<AbiKind> availableAbis()
{
#if defined(VESK_HOST_WINDOWS_LAYOUTS)
    return {AbiKind::gnu, AbiKind::msvc};
#else
    return {AbiKind::native};
#endif
}

std::unique_ptr<ScriptAbi> makeScriptAbi(std::optional<AbiKind> kind, ScriptAbi::Host& host)
{
    // "native" is the build's own layout under either name.
    if (kind == AbiKind::native)
        kind = ownAbi();
#if defined(VESK_HOST_WINDOWS_LAYOUTS)
    return makeWindowsAbi(kind, host);
#else
    // Off 32-bit Windows there is one layout: nothing to learn.
    if (kind && *kind != AbiKind::native)
        return nullptr;
    return makeNativeAbi(host);
#endif
}

} // namespace vesk_host
