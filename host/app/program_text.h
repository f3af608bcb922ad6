// What the emulator says of itself in each of its programs (vesk_host, and
// vesk_host_validate, which speaks as "vesk_host validate"): the top-level
// help's description and the version.
#ifndef VESK_HOST_APP_PROGRAM_TEXT_H
#define VESK_HOST_APP_PROGRAM_TEXT_H

#ifndef VESK_HOST_VERSION
#define VESK_HOST_VERSION "unknown"
#endif

namespace vesk_host {

constexpr const char* programDescription =
    "vesk_host: the panel host emulator. It loads a panel script library, drives it against a\n"
    "simulated plant, and checks that the script keeps the host interface's rules.";
constexpr const char* programVersion = VESK_HOST_VERSION;

} // namespace vesk_host

#endif
