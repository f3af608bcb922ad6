// A DLL with one static object, to show that the C runtime layer's entry
// point constructs it on load and destroys it on unload.
namespace {

volatile int constructed = 0;
int* destroyedFlag = 0;

struct Probe {
    Probe() { constructed = constructed + 1; }
    ~Probe()
    {
        if (destroyedFlag)
            *destroyedFlag += 1;
    }
};

Probe probe;

} // namespace

extern "C" __declspec(dllexport) int __cdecl probe_constructed() { return constructed; }

// The object's destructor will add 1 to *flag.
extern "C" __declspec(dllexport) void __cdecl probe_watch(int* flag) { destroyedFlag = flag; }
