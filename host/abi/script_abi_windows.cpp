// The host object and the calls into a script on 32-bit Windows, where a
// script may be built with MinGW's layout or with Microsoft's.
//
// The host object is made by hand: a struct whose first word points to a
// table of three thiscall entries. Slot 1 is callback in Microsoft's layout
// (slot 0 its scalar deleting destructor), slot 2 is callback in MinGW's
// (slots 0 and 1 its destructors). A script calls only its own layout's
// callback slot, so the slot a call arrives through says which layout the
// script was built with: a given layout is checked by it, and an unknown
// one learned from it. A Microsoft-layout script that deletes the host
// object calls slot 0, which the host reports and otherwise ignores; a
// MinGW-layout script would call slot 1, Microsoft's callback, which takes
// two arguments more than a destructor: that cannot be served by one table.
//
// A Microsoft-layout script is called the same way, by hand: slot 1 of its
// table for callback, slot 0 with flags 1 to delete it. A MinGW-layout
// script is called with plain C++ virtual calls (the emulator's own layout).
#include "abi/script_abi_impl.h"

#if defined(VESK_HOST_WINDOWS_LAYOUTS)

#include <cstring>

// The entries are free functions with the calling convention of member
// functions; GCC warns that thiscall is meant for members.
#pragma GCC diagnostic ignored "-Wattributes"

#define VESK_THISCALL __attribute__((thiscall))
// Microsoft's x86 code keeps the stack only 4-byte aligned; GCC's code may
// rely on more, so every entry a script calls realigns it.
#define VESK_FROM_SCRIPT __attribute__((force_align_arg_pointer))

namespace vesk_host {

namespace {

using DeletingEntry = void*(VESK_THISCALL*)(void* self, unsigned flags);
using CallbackEntry = void*(VESK_THISCALL*)(void* self, void* data, int code);
using AnyEntry = void (*)();

class WindowsAbi;

struct HostObject {
    const void* table;  // first word, where both layouts look for the table
    WindowsAbi* owner;
};

struct HostTable {
    DeletingEntry slot0;
    CallbackEntry slot1;
    CallbackEntry slot2;
};

void* arrived(void* self, int slot, void* data, int code) noexcept;

VESK_FROM_SCRIPT void* VESK_THISCALL hostSlot0(void* self, unsigned) { return arrived(self, 0, nullptr, 0); }
VESK_FROM_SCRIPT void* VESK_THISCALL hostSlot1(void* self, void* data, int code)
{
    return arrived(self, 1, data, code);
}
VESK_FROM_SCRIPT void* VESK_THISCALL hostSlot2(void* self, void* data, int code)
{
    return arrived(self, 2, data, code);
}

const HostTable hostTable = {hostSlot0, hostSlot1, hostSlot2};

const char* layoutWords(AbiKind kind) { return kind == AbiKind::msvc ? "Microsoft's layout" : "MinGW's layout"; }

class WindowsAbi final : public ScriptAbi {
public:
    WindowsAbi(std::optional<AbiKind> kind, Host& host) : host_(host), kind_(kind) {}

    std::optional<AbiKind> kind() const override { return kind_; }
    const std::string& learnedFrom() const override { return learnedFrom_; }
    const std::string& mismatch() const override { return mismatch_; }

    ScriptObject* callExport(vesk_load_function entry, const char* path, bool withHost) override
    {
        auto* host = reinterpret_cast<vesk_client_callback*>(&object_);
        return reinterpret_cast<ScriptObject*>(entry(withHost ? host : nullptr, path));
    }

    void* call(ScriptObject* script, void* data, int code) override
    {
        if (!usable())
            return nullptr;
        if (*kind_ == AbiKind::gnu)
            return callNative(script, data, code);
        const auto entry = reinterpret_cast<CallbackEntry>(slotOf(script, 1));
        return entry(script, data, code);
    }

    void destroy(ScriptObject* script) override
    {
        if (!usable())
            return;
        if (*kind_ == AbiKind::gnu)
            return destroyNative(script);
        // The scalar deleting destructor: flag 1 frees the object after destroying it.
        const auto entry = reinterpret_cast<DeletingEntry>(slotOf(script, 0));
        entry(script, 1);
    }

    void* fromSlot(int slot, void* data, int code)
    {
        if (!mismatch_.empty())
            return nullptr;
        if (slot == 0) {
            // Microsoft's scalar deleting destructor: the script deleted the
            // host object. The object is the host's and stays as it is.
            if (kind_ == AbiKind::msvc) {
                host_.hostObjectDeleted();
                return nullptr;
            }
            mismatch_ = "the script called slot 0 of the host's table, a destructor: a script never destroys the "
                        "host, and its calls cannot be trusted";
            return nullptr;
        }
        const AbiKind layout = slot == 1 ? AbiKind::msvc : AbiKind::gnu;
        if (!kind_) {
            kind_ = layout;
            learnedFrom_ = "its first call came through slot " + std::to_string(slot) +
                           " of the host's table, callback in " + layoutWords(layout);
        } else if (*kind_ != layout) {
            mismatch_ = std::string("the script called slot ") + std::to_string(slot) +
                        " of the host's table, callback in " + layoutWords(layout) + ": it was built for " +
                        abiKindName(layout) + ", not " + abiKindName(*kind_) + " (run with --abi " +
                        abiKindName(layout) + " or --abi auto)";
            return nullptr;
        }
#if defined(VESK_PLANTED_ABI_DIFFERENCE)
        if (code == VESK_CODE_COMMAND && *kind_ == AbiKind::msvc)
            return host_.fromScript(const_cast<char*>(plantedCut(static_cast<const char*>(data))), code);
#endif
        return host_.fromScript(data, code);
    }

private:
#if defined(VESK_PLANTED_ABI_DIFFERENCE)
    // A deliberate fault, built only to prove the differential soak catches
    // one on a rare path: a Microsoft-layout command of 200 characters or
    // more loses its last character on the way in.
    const char* plantedCut(const char* text)
    {
        if (!text || std::strlen(text) < 200)
            return text;
        planted_.assign(text, std::strlen(text) - 1);
        return planted_.c_str();
    }
    std::string planted_;
#endif

    bool usable() const { return kind_ && mismatch_.empty(); }

    static AnyEntry slotOf(ScriptObject* script, int slot)
    {
        const AnyEntry* table = nullptr;
        std::memcpy(&table, static_cast<const void*>(script), sizeof table);
        return table[slot];
    }

    Host& host_;
    std::optional<AbiKind> kind_;
    std::string learnedFrom_;
    std::string mismatch_;
    HostObject object_{&hostTable, this};
};

void* arrived(void* self, int slot, void* data, int code) noexcept
{
    // Nothing may unwind into a script: its frames know nothing of our exceptions.
    try {
        return static_cast<HostObject*>(self)->owner->fromSlot(slot, data, code);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

std::unique_ptr<ScriptAbi> makeWindowsAbi(std::optional<AbiKind> kind, ScriptAbi::Host& host)
{
    return std::make_unique<WindowsAbi>(kind, host);
}

} // namespace vesk_host

#endif
