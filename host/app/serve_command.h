// vesk_host serve: the script on the plant, drawn as a live page in the
// browser (host/web). It checks the command line, then starts (exec) the
// server program vesk_host_serve beside vesk_host. POSIX only: where the
// build has no live page (no fork(), or no Boost.Beast), the command says
// so and exits 3.
#ifndef VESK_HOST_SERVE_COMMAND_H
#define VESK_HOST_SERVE_COMMAND_H

#include "app/command_line.h"

namespace vesk_host {

Command serveCommand();

} // namespace vesk_host

#endif
