// The Windows builds of the faulty scripts that change the process they
// share with the host, one fault each, chosen when the library is built
// (-DFAULT_<NAME>), through the C runtime's own calls as a Windows script
// would make them. Each does its one wrong thing at load, as the POSIX
// builds of process_fault.cpp do, and otherwise behaves:
//   closes_output     closes descriptors 1 and 2 (_close)
//   redirects_output  points descriptor 1 at descriptor 2 (_dup2)
//   changes_process   changes the working folder, the environment and the locale
//                     (_chdir, _putenv, setlocale)
#include "quiet_script.h"

// Declared here rather than from <io.h>, <direct.h> and <locale.h>: the
// production flavor's C runtime layer has no such headers, and these are
// msvcrt.dll's own functions in both flavors.
extern "C" {
int __cdecl _close(int descriptor);
int __cdecl _dup2(int from, int to);
int __cdecl _chdir(const char* folder);
int __cdecl _putenv(const char* setting);
char* __cdecl setlocale(int category, const char* locale);
}

class ProcessFault : public QuietScript {
public:
    ProcessFault(vesk_client_callback* hostLink, const char* folder) : QuietScript(hostLink, folder)
    {
        panelLoad("1", "Rig_Vue.vesk_ui", "");
#if defined(FAULT_CLOSES_OUTPUT)
        _close(1);
        _close(2);
#elif defined(FAULT_REDIRECTS_OUTPUT)
        _dup2(2, 1);
#elif defined(FAULT_CHANGES_PROCESS)
        _chdir("C:\\");
        _putenv("VESK_FAULT=1");
        const int localeAll = 0;  // LC_ALL in msvcrt.dll
        setlocale(localeAll, "C");
#endif
    }
};

FAULTY_EXPORT vesk_client_callback* VESK_CDECL load_vesk_client_script(vesk_client_callback* host, const char* path)
{
    return new ProcessFault(host, path);
}
