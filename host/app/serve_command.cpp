#include "app/serve_command.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

#include "app/exit_codes.h"
#include "app/studio_options.h"
#include "app/serve_address.h"
#if !defined(_WIN32)
#include "app/sibling_program.h"
#endif
#include "plant/studio_file.h"

namespace vesk_host {

namespace {

// The live page's server, a program of its own beside vesk_host, so that
// vesk_host carries no HTTP code (the demo builds without it).
constexpr const char* serveProgram = "vesk_host_serve";

struct ServeOptions {
    std::string library;
    std::vector<std::string> scripts;  // --script NAME=LIBRARY[,PATH], one a position
    std::string studio;                // --studio FILE
    std::string plant;
    std::string record;
    std::string listen = "127.0.0.1";
    std::string port = "8750";
    bool everyInterface = false;
    double timeout = 10;
};

#if defined(_WIN32)
// The live page's server is built on POSIX only.
int serve(const ServeOptions&, const ListenAddress&, int)
{
    std::cerr << "vesk_host serve: this build has no live page: it needs POSIX and Boost's Beast\n";
    return exitUsage;
}
#else
int serve(const ServeOptions& options, const ListenAddress& address, int port)
{
    std::ostringstream timeout;
    timeout << options.timeout;
    std::vector<std::string> words = {"--listen", address.text, "--port", std::to_string(port), "--timeout",
                                      timeout.str()};
    if (!options.plant.empty())
        words.insert(words.end(), {"--plant", options.plant});
    if (!options.record.empty())
        words.insert(words.end(), {"--record", options.record});
    for (const std::string& script : options.scripts)
        words.insert(words.end(), {"--script", script});
    if (!options.studio.empty())
        words.insert(words.end(), {"--studio", options.studio});
    if (!options.library.empty())
        words.push_back(options.library);
    return execSibling(serveProgram, words, "serve",
                       " (this build has no live page: it needs POSIX and Boost's Beast; build the target "
                       "vesk_host_serve)");
}
#endif

} // namespace

Command serveCommand()
{
    auto options = std::make_shared<ServeOptions>();
    ServeOptions& o = *options;
    return withStudioOptions(Command{
        "serve",
        "run a script and draw its panel as a live page in the browser (POSIX only)",
        {{"--plant", "the plant (TOML): devices, routers, databases, panel folder", "FILE", &o.plant},
         {"--port", "the port to serve on, in decimal, default 8750; 0 picks a free one", "N", &o.port},
         {"--record", "write every step taken on the page, with expectations, to FILE (a session file)", "FILE",
          &o.record},
         {"--listen",
          "the numeric address to serve on, default 127.0.0.1 (this machine only); another address is "
          "reachable from other machines",
          "ADDRESS", &o.listen},
         {"--every-interface",
          "allow a --listen address that means every interface (0.0.0.0, ::): anyone on the machine's "
          "networks can then drive the script",
          "", &o.everyInterface},
         {"--timeout", "seconds one step may take before the script counts as hung, default 10", "S", &o.timeout},
         {"library", "the script library to run", "LIBRARY", &o.library}},
        "The page shows the panel the script loaded, the transcript, the routes, the timers, the replies\n"
        "the script holds and every finding. Every click is a session step; --record FILE (or the page's\n"
        "Save button) gives a session file that `vesk_host run --session FILE` replays. A studio (--script,\n"
        "--studio) shows every position's panels and findings side by side, and records its steps with\n"
        "their @positions. The scripts run in a process of their own: a crash, a hang or an exit shows on\n"
        "the page, which can restart it.\n"
        "A port that another program listens on is an error (exit 3), never shared.\n"
        "Only on POSIX systems (Linux, macOS): the script's process is made with fork().",
        [options](const std::vector<std::string>& extras) {
            if (const auto message = leftOver(extras, options->library, "script library"); !message.empty())
                return usageError("serve", message);
            if (options->library.empty() && options->scripts.empty() && options->studio.empty())
                return usageError("serve", "name the script library to serve");
            if (const auto problem = studioOptionsProblem(options->library, options->scripts, options->studio);
                !problem.empty())
                return usageError("serve", problem);
            if (!(options->timeout > 0 && options->timeout <= 3600))
                return usageError("serve", "--timeout takes seconds above 0, at most 3600");
            const auto port = parsePort(options->port);
            if (!port)
                return usageError("serve", "--port takes a decimal number from 0 to 65535, not \"" + options->port + "\"");
            const auto address = parseListenAddress(options->listen, options->everyInterface);
            if (!address)
                return usageError("serve", address.error().message);
            return serve(*options, *address, *port);
        }},
        &o.scripts, &o.studio);
}

} // namespace vesk_host
