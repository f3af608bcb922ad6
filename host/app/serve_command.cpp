#include "app/serve_command.h"

#include <iostream>
#include <memory>

#include "app/exit_codes.h"

#if defined(VESK_HOST_SERVE)
#include <signal.h>
#include <pthread.h>

#include <thread>

#include "plant/plant_file.h"
#include "web/broadcast.h"
#include "web/live_session.h"
#include "web/request_guard.h"
#include "web/web_server.h"
#endif

namespace vesk_host {

namespace {

struct ServeOptions {
    std::string library;
    std::string plant;
    std::string record;
    std::string listen = "127.0.0.1";
    int port = 8750;
    double timeout = 10;
};

#if defined(VESK_HOST_SERVE)

int serve(const ServeOptions& options)
{
    web::LiveOptions live;
    live.library = options.library;
    live.plantFile = options.plant;
    live.watchdogSeconds = options.timeout;
    live.recordFile = options.record;
    live.plant.panelFolder = ".";
    if (!options.plant.empty()) {
        auto load = loadPlantFile(options.plant);
        if (!load) {
            std::cerr << "vesk_host: " << load.error().message << "\n";
            return exitUsage;
        }
        live.plant = std::move(*load);
    }

    // Ctrl-C and SIGTERM are taken by one thread below, which stops the
    // server; every other thread (and so the script's processes) starts
    // with them blocked. A pipe to a script's process that has died must
    // not end the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    web::Broadcast broadcast;
    web::LiveSession session(live, broadcast);
    if (const auto failure = session.start()) {
        std::cerr << "vesk_host: " << failure->message << "\n";
        return failure->exitCode;
    }
    web::WebServer server(session, broadcast);
    const auto port = server.bind(options.listen, options.port);
    if (!port) {
        std::cerr << "vesk_host serve: " << port.error().message
                  << (options.port != 0 ? " (is another program using it? --port 0 picks a free one)" : "") << "\n";
        return exitUsage;
    }
    const bool ipv6 = options.listen.find(':') != std::string::npos;
    const std::string address =
        "http://" + (ipv6 ? "[" + options.listen + "]" : options.listen) + ":" + std::to_string(*port) + "/";
    if (!web::isLoopback(options.listen))
        std::cerr << "vesk_host serve: WARNING: listening on " << options.listen
                  << ", which other machines can reach. Anyone who reaches it can drive the script, restart it\n"
                     "and read its transcript; there is no password. Use it only on a network you trust.\n";
    std::cout << "vesk_host serve: the live page of " << options.library << " is at " << address << "\n"
              << "vesk_host serve: Ctrl-C stops it\n"
              << std::flush;

    std::thread stopper([&server, stopSignals] {
        int taken = 0;
        sigwait(&stopSignals, &taken);
        server.stop();
    });
    const bool served = server.run();
    // Wakes the stopper when the server ended by itself.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cout << "vesk_host serve: stopped\n" << std::flush;
    return served ? exitSuccess : exitUsage;
}

#else

int serve(const ServeOptions&)
{
    std::cerr << "vesk_host serve: this build has no live page: it needs POSIX (fork) and cpp-httplib\n";
    return exitUsage;
}

#endif

} // namespace

Subcommand addServeCommand(CLI::App& parent)
{
    auto options = std::make_shared<ServeOptions>();
    CLI::App* app = parent.add_subcommand(
        "serve", "run a script and draw its panel as a live page in the browser (POSIX only)");
    app->add_option("--plant", options->plant, "the plant (TOML): devices, routers, databases, panel folder")
        ->type_name("FILE");
    app->add_option("--port", options->port, "the port to serve on, default 8750; 0 picks a free one")
        ->type_name("N")
        ->check(CLI::Range(0, 65535));
    app->add_option("--record", options->record,
                    "write every step taken on the page, with expectations, to FILE (a session file)")
        ->type_name("FILE");
    app->add_option("--listen", options->listen,
                    "the address to serve on, default 127.0.0.1 (this machine only); another address is reachable "
                    "from other machines")
        ->type_name("ADDRESS");
    app->add_option("--timeout", options->timeout, "seconds one step may take before the script counts as hung, default 10")
        ->type_name("S");
    app->add_option("library", options->library, "the script library to run")->type_name("LIBRARY");
    app->allow_extras();
    app->footer("The page shows the panel the script loaded, the transcript, the routes, the timers, the replies\n"
                "the script holds and every finding. Every click is a session step; --record FILE (or the page's\n"
                "Save button) gives a session file that `vesk_host run --session FILE` replays. The script runs in a\n"
                "process of its own: a crash, a hang or an exit shows on the page, which can restart it.\n"
                "Only on POSIX systems (Linux, macOS): the script's process is made with fork().");
    return Subcommand{app, [app, options] {
                          if (const auto message = leftOver(app->remaining(), options->library, "script library");
                              !message.empty())
                              return usageError("serve", message);
                          if (options->library.empty())
                              return usageError("serve", "name the script library to serve");
                          if (!(options->timeout > 0 && options->timeout <= 3600))
                              return usageError("serve", "--timeout takes seconds above 0, at most 3600");
                          if (options->listen.empty() || options->listen == "0.0.0.0" || options->listen == "::")
                              return usageError("serve", "--listen takes one address of this machine, not a wildcard");
                          return serve(*options);
                      }};
}

} // namespace vesk_host
