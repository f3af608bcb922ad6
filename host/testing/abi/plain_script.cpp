// A script whose file gives no clue to its C++ layout: it imports neither
// the string library nor a C++ runtime DLL and exports one plain name, so
// the emulator can only learn the layout from the slot of its first call.
//
//   PLAIN_SCRIPT_SILENT   it calls the host only from its destructor, so
//                         the layout cannot be learned at load;
//   PLAIN_SCRIPT_RUNTIME  it imports __uncaught_exceptions from
//                         vcruntime140.dll (MSVC flavor only): a runtime
//                         DLL as the one clue.
#include <stdlib.h>

#include "vesk_client_callback.h"

#if defined(_WIN32)
#  define PLAIN_EXPORT extern "C" __declspec(dllexport)
#else
#  define PLAIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#if defined(PLAIN_SCRIPT_RUNTIME)
extern "C" __declspec(dllimport) int __cdecl __uncaught_exceptions(void);
#endif

class PlainScript : public vesk_client_callback {
public:
    explicit PlainScript(vesk_client_callback* host) : host_(host)
    {
#if defined(PLAIN_SCRIPT_RUNTIME)
        if (__uncaught_exceptions() != 0)
            host_ = 0;
#endif
#if !defined(PLAIN_SCRIPT_SILENT)
        send("SD 'ZEP SDI Router'", true);
#endif
    }
    ~PlainScript() { send("AS", false); }

    void* callback(void* data, int code)
    {
        (void)data;
        if (code == VESK_CODE_CONTROL)
            send("RN 12 0 1", true);
        return 0;
    }

    // Script code has no global operator new.
    static void* operator new(size_t size) noexcept { return malloc(size); }
    static void operator delete(void* block) noexcept { free(block); }

private:
    void send(const char* text, bool handBack)
    {
        if (!host_)
            return;
        void* reply = host_->callback(const_cast<char*>(text), VESK_CODE_COMMAND);
        if (handBack)
            host_->callback(reply, VESK_CODE_RELEASE);
    }

    vesk_client_callback* host_;
};

PLAIN_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char*)
{
    return new PlainScript(host);
}
