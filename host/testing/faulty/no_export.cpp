// Faulty: a shared library without load_vesk_client_script.
#if defined(_WIN32)
extern "C" __declspec(dllexport) int load_some_other_script() { return 0; }
#else
extern "C" __attribute__((visibility("default"))) int load_some_other_script() { return 0; }
#endif
