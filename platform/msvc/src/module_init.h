/* Start and end of a module (DLL or program) built on the C runtime layer. */
#ifndef VESK_MODULE_INIT_H
#define VESK_MODULE_INIT_H

/* Runs the module's C++ static initialisers, in order. */
void vesk_module_start(void);
/* Runs the functions registered with atexit, last registered first. */
void vesk_module_end(void);

#endif
