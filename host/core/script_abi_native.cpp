// The native layout: the script is a vesk_client_callback of the compiler
// that built the emulator, called with plain C++ virtual calls, as a host
// built with the same compiler calls it.
#include "script_abi_impl.h"

namespace vesk_host {

namespace {

vesk_client_callback* asInterface(ScriptObject* script) { return reinterpret_cast<vesk_client_callback*>(script); }

class NativeHostObject final : public vesk_client_callback {
public:
    explicit NativeHostObject(ScriptAbi::Host& host) : host_(host) {}
    void* callback(void* data, int code) override { return host_.fromScript(data, code); }

private:
    ScriptAbi::Host& host_;
};

class NativeAbi final : public ScriptAbi {
public:
    explicit NativeAbi(Host& host) : object_(host) {}

    std::optional<AbiKind> kind() const override { return ownAbi(); }
    const std::string& learnedFrom() const override { return none_; }
    const std::string& mismatch() const override { return none_; }

    ScriptObject* callExport(vesk_load_function entry, const char* path, bool withHost) override
    {
        return reinterpret_cast<ScriptObject*>(entry(withHost ? &object_ : nullptr, path));
    }
    void* call(ScriptObject* script, void* data, int code) override { return callNative(script, data, code); }
    void destroy(ScriptObject* script) override { destroyNative(script); }

private:
    NativeHostObject object_;
    std::string none_;
};

} // namespace

void* callNative(ScriptObject* script, void* data, int code) { return asInterface(script)->callback(data, code); }

void destroyNative(ScriptObject* script) { delete asInterface(script); }

std::unique_ptr<ScriptAbi> makeNativeAbi(ScriptAbi::Host& host) { return std::make_unique<NativeAbi>(host); }

} // namespace vesk_host
