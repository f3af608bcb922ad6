/* The entry point of a console program built on the C runtime layer (the
   linker's default for programs with main): arguments from msvcrt, the
   static initialisers, main, the exit functions, then msvcrt's exit, which
   flushes standard output. */
#include <stdlib.h>

#include "module_init.h"

struct vesk_startup_info {
    int newMode;
};

int __cdecl __getmainargs(int* argc, char*** argv, char*** environment, int expandWildcards,
                          struct vesk_startup_info* info);
int main(int argc, char** argv);

void __cdecl mainCRTStartup(void)
{
    int argc = 0;
    char** argv = 0;
    char** environment = 0;
    struct vesk_startup_info info = {0};
    if (__getmainargs(&argc, &argv, &environment, 0, &info) < 0)
        exit(255);
    vesk_module_start();
    int status = main(argc, argv);
    vesk_module_end();
    exit(status);
}
