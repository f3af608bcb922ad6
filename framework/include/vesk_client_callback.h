// vesk_client_callback: the one two-way interface between a panel host and
// a panel script.
//
// Both sides implement it. The host passes a pointer to its own object to
// load_vesk_client_script(); the script is returned to the host as a
// pointer to this interface. The same callback() carries events from host
// to script and commands from script to host; `code` says which.
//
// Thread: every call in either direction is synchronous and runs on the
// host's one calling thread; neither side calls the other from elsewhere.
//
// Codes (`data` / result, and who owns what):
//
//   0 COMMAND  script -> host. data: NUL-terminated command text, owned by
//              the script and valid only during the call. Result: the
//              host's reply, a host-owned NUL-terminated text or null (for
//              "PS" a status word read as an integer). The replies of "SD",
//              "XI", "RN" and "TG" are handed back with code 5 once copied;
//              no other reply is handed back.
//   1 REVERTIVE host -> script. data: RevertiveEventRecord*, host-owned,
//              read-only, valid during the call. Result: null.
//   2 CONTROL  host -> script. data: ControlEventRecord*, host-owned,
//              read-only, valid during the call. Result: null.
//   3 PARENT_QUERY host -> script. data: NUL-terminated query text
//              (name.part=value) or null, valid during the call. Result: a
//              text malloc'd by the script (length + 1 bytes, NUL-ended) or
//              null for an empty answer. The host hands every non-null
//              answer back with code 5; the script frees it.
//   4 TIMER    host -> script. data: the timer id as an integer in the
//              pointer-sized word. Result: null.
//   5 RELEASE  both ways. data: a text the receiver returned earlier, or
//              null (which does nothing). The receiver frees it. Result: null.
//   6, 7       host -> script. data: one pointer-sized word, passed on to the
//              script's handler unread. Result: null.
//   other      ignored by the script; result null.
#ifndef VESK_CLIENT_CALLBACK_H
#define VESK_CLIENT_CALLBACK_H

enum vesk_callback_code {
    VESK_CODE_COMMAND = 0,
    VESK_CODE_REVERTIVE = 1,
    VESK_CODE_CONTROL = 2,
    VESK_CODE_PARENT_QUERY = 3,
    VESK_CODE_TIMER = 4,
    VESK_CODE_RELEASE = 5,
    VESK_CODE_6 = 6,
    VESK_CODE_7 = 7
};

class vesk_client_callback {
public:
    // The owner destroys the object through this destructor (the deleting
    // form frees it). The host owns the script; the script never deletes
    // the host.
    virtual ~vesk_client_callback() {}

    // One call of the interface; see the code table above.
    virtual void* callback(void* data, int code) = 0;
};

// Calling convention of the export: stated, so that a host built by any
// compiler for 32-bit Windows calls it the same way.
#if defined(_WIN32) && !defined(_WIN64)
#  define VESK_CDECL __cdecl
#else
#  define VESK_CDECL
#endif

// Marks the export so it leaves the library: written once, by the script,
// as `extern "C" VESK_SCRIPT_EXPORT vesk_client_callback* VESK_CDECL
// load_vesk_client_script(...)`. Every other symbol stays hidden (scripts
// build with hidden visibility; vesk_add_script's version script or .def
// file names the export as well).
#if defined(_WIN32)
#  define VESK_SCRIPT_EXPORT __declspec(dllexport)
#elif defined(__GNUC__) || defined(__clang__)
#  define VESK_SCRIPT_EXPORT __attribute__((visibility("default")))
#else
#  define VESK_SCRIPT_EXPORT
#endif

// The one export of a script library. Builds the script on `host` (may be
// null) and `path` (the folder of the panel files; null reads as empty) and
// runs its whole start-up inside this call. Returns the new script, owned
// by the caller, or null when it could not be allocated.
typedef vesk_client_callback* (VESK_CDECL* vesk_load_function)(vesk_client_callback* host, const char* path);

#define VESK_LOAD_SYMBOL "load_vesk_client_script"

#endif
