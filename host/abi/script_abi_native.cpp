// The native layout: the script is a vesk_client_callback of the compiler
// that built the emulator, called with plain C++ virtual calls, as a host
// built with the same compiler calls it.
#include "abi/script_abi_impl.h"

#include <new>

namespace vesk_host {

namespace {

vesk_client_callback* asInterface(ScriptObject* script) { return reinterpret_cast<vesk_client_callback*>(script); }

// The host object the script is handed. A script that deletes it runs its
// destructor, which tells the host; its memory is the host's, so the
// delete frees nothing, and the host makes the object anew after the call.
class NativeHostObject final : public vesk_client_callback {
public:
    NativeHostObject(ScriptAbi::Host& host, bool& deleted) : host_(host), deleted_(deleted) {}
    ~NativeHostObject() override
    {
        if (!owner_)
            return;
        deleted_ = true;
        host_.hostObjectDeleted();
    }
    void* callback(void* data, int code) override { return host_.fromScript(data, code); }
    static void operator delete(void*) {}
    // Its owner is ending it: no report.
    void release() { owner_ = false; }

private:
    ScriptAbi::Host& host_;
    bool& deleted_;
    bool owner_ = true;
};

class NativeAbi final : public ScriptAbi {
public:
    explicit NativeAbi(Host& host) : host_(host) { new (object_) NativeHostObject(host_, deleted_); }
    ~NativeAbi() override
    {
        if (!deleted_) {
            object()->release();
            object()->~NativeHostObject();
        }
    }

    std::optional<AbiKind> kind() const override { return ownAbi(); }
    const std::string& learnedFrom() const override { return none_; }
    const std::string& mismatch() const override { return none_; }

    ScriptObject* callExport(vesk_load_function entry, const char* path, bool withHost) override
    {
        ScriptObject* script = reinterpret_cast<ScriptObject*>(entry(withHost ? object() : nullptr, path));
        renew();
        return script;
    }
    void* call(ScriptObject* script, void* data, int code) override
    {
        void* result = callNative(script, data, code);
        renew();
        return result;
    }
    void destroy(ScriptObject* script) override
    {
        destroyNative(script);
        renew();
    }

private:
    NativeHostObject* object() { return std::launder(reinterpret_cast<NativeHostObject*>(object_)); }
    // The script deleted the host object: it is made anew in the same place,
    // so that the script's later calls still reach the host.
    void renew()
    {
        if (!deleted_)
            return;
        deleted_ = false;
        new (object_) NativeHostObject(host_, deleted_);
    }

    Host& host_;
    bool deleted_ = false;
    alignas(NativeHostObject) unsigned char object_[sizeof(NativeHostObject)];
    std::string none_;
};

} // namespace

void* callNative(ScriptObject* script, void* data, int code) { return asInterface(script)->callback(data, code); }

void destroyNative(ScriptObject* script) { delete asInterface(script); }

std::unique_ptr<ScriptAbi> makeNativeAbi(ScriptAbi::Host& host) { return std::make_unique<NativeAbi>(host); }

} // namespace vesk_host
