// The boundary between the emulator and a script: how the script is called
// (its callback, its deleting destructor, the export) and what it is handed
// as the host object. The layout of both objects' tables is the compiler's
// C++ ABI, not C++, so the rest of the emulator never calls the script's
// table itself: it goes through a ScriptAbi.
//
// Layouts:
//   native  the layout of the compiler that built the emulator: plain C++
//           virtual calls through vesk_client_callback (the only one off
//           32-bit Windows);
//   gnu     MinGW's layout on 32-bit Windows (the emulator's own there);
//   msvc    Microsoft's layout on 32-bit Windows: slot 0 the scalar deleting
//           destructor, slot 1 callback, every entry thiscall.
// A ScriptAbi made to learn the layout hands the script a table that serves
// both and takes the layout from the slot of the script's first call.
//
// Thread: the emulator's one calling thread. Nothing thrown by the host's
// side ever crosses into a script of a foreign layout.
#ifndef VESK_HOST_SCRIPT_ABI_H
#define VESK_HOST_SCRIPT_ABI_H

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vesk_client_callback.h"

namespace vesk_host {

enum class AbiKind { native, gnu, msvc };

// "native", "gnu", "msvc".
const char* abiKindName(AbiKind kind);
// The kind of that name, or nothing.
std::optional<AbiKind> abiKindNamed(const std::string& name);
// The layouts this build can drive, the build's own first.
std::vector<AbiKind> availableAbis();
// The build's own layout: gnu on 32-bit Windows, native elsewhere.
AbiKind ownAbi();

// A script as the export returned it: never dereferenced on the host side.
struct ScriptObject;

class ScriptAbi {
public:
    // Receives every call the script makes, whatever slot it came through.
    class Host {
    public:
        virtual void* fromScript(void* data, int code) = 0;
        // The script deleted the host object (it is kept, and made anew).
        virtual void hostObjectDeleted() {}

    protected:
        ~Host() = default;
    };

    virtual ~ScriptAbi() = default;

    // The layout in use; nothing while it is still to be learned.
    virtual std::optional<AbiKind> kind() const = 0;
    // How the layout was learned, once it was ("its first call came through
    // slot 1 of the host's table"); empty when it was given.
    virtual const std::string& learnedFrom() const = 0;
    // Empty, or why the script must not be called: its calls came through a
    // slot of another layout than the one given.
    virtual const std::string& mismatch() const = 0;

    // Calls the export with the host object (or a null host) and `path`.
    // What the script throws passes on to the caller (native layout only).
    virtual ScriptObject* callExport(vesk_load_function entry, const char* path, bool withHost = true) = 0;
    // The script's callback. Only once kind() is known and mismatch() empty.
    virtual void* call(ScriptObject* script, void* data, int code) = 0;
    // Deletes the script through its deleting destructor; same condition.
    virtual void destroy(ScriptObject* script) = 0;
};

// A ScriptAbi for `kind` (nothing: learn it from the script's first call)
// whose host object forwards to `host`, which must outlive it. Null when
// this build cannot drive that layout.
std::unique_ptr<ScriptAbi> makeScriptAbi(std::optional<AbiKind> kind, ScriptAbi::Host& host);

} // namespace vesk_host

#endif
