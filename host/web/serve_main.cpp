// vesk_host_serve: the live page's server as a program of its own, started
// (exec) by `vesk_host serve` once it has checked the command line, so that
// vesk_host itself carries no HTTP code and loads no library it does not
// use. Its arguments come from vesk_host, already checked:
//
//   vesk_host_serve --listen ADDRESS --port N --timeout S
//                   [--plant FILE] [--record FILE] (LIBRARY | --script TEXT... | --studio FILE)
//
// ADDRESS is numeric, as inet_ntop writes it. Exit codes are vesk_host's:
// 0 stopped by Ctrl-C or SIGTERM, 3 a bad plant or a port that cannot be
// had, 4 a library that cannot be loaded.
#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "plant/plant_file.h"
#include "plant/studio_file.h"
#include "web/broadcast.h"
#include "web/live_session.h"
#include "web/request_guard.h"
#include "web/web_server.h"

using namespace vesk_host;

namespace {

constexpr int exitSuccess = 0;
constexpr int exitUsage = 3;

struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> scripts;  // --script, once a position
    std::string library;
};

bool readArguments(int argc, char** argv, Arguments& arguments)
{
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--script" && i + 1 < argc) {
            arguments.scripts.push_back(argv[++i]);
        } else if (word.rfind("--", 0) == 0 && i + 1 < argc) {
            arguments.options[word.substr(2)] = argv[++i];
        } else if (arguments.library.empty()) {
            arguments.library = word;
        } else {
            return false;
        }
    }
    const bool scripts = !arguments.library.empty() || !arguments.scripts.empty() || arguments.options.count("studio");
    return scripts && arguments.options.count("listen") && arguments.options.count("port") &&
           arguments.options.count("timeout");
}

std::string option(const Arguments& arguments, const char* name)
{
    const auto found = arguments.options.find(name);
    return found == arguments.options.end() ? std::string() : found->second;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    if (!readArguments(argc, argv, arguments)) {
        std::cerr << "vesk_host_serve: started by `vesk_host serve`, which checks its command line: run that\n";
        return exitUsage;
    }
    const std::string listen = option(arguments, "listen");
    web::LiveOptions live;
    live.library = arguments.library;
    live.plantFile = option(arguments, "plant");
    live.watchdogSeconds = std::strtod(option(arguments, "timeout").c_str(), nullptr);
    live.recordFile = option(arguments, "record");
    live.plant.panelFolder = ".";
    if (!live.plantFile.empty()) {
        auto load = loadPlantFile(live.plantFile);
        if (!load) {
            std::cerr << "vesk_host: " << load.error().message << "\n";
            return exitUsage;
        }
        live.plant = std::move(*load);
    }
    const std::filesystem::path plantFolder =
        live.plantFile.empty() ? std::filesystem::path(".") : std::filesystem::path(live.plantFile).parent_path();
    const std::string studio = option(arguments, "studio");
    auto positions = studioPositions(arguments.scripts, studio, plantFolder);
    if (!positions) {
        std::cerr << "vesk_host: " << positions.error().message << "\n";
        return exitUsage;
    }
    live.positions = std::move(*positions);
    if (!live.positions.empty())
        live.library = live.positions.front().library;
    // How the replay names the scripts: as they were given here.
    for (const std::string& script : arguments.scripts)
        live.scriptsGiven += " --script " + script;
    if (!studio.empty())
        live.scriptsGiven = " --studio " + studio;

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
    web::WebServer server(session, broadcast);
    // The port first: a second server on a taken port stops before it starts a script.
    const auto port = server.bind(listen, std::atoi(option(arguments, "port").c_str()));
    if (!port) {
        std::cerr << "vesk_host serve: " << port.error().message << "; --port 0 picks a free one\n";
        return exitUsage;
    }
    if (const auto failure = session.start()) {
        std::cerr << "vesk_host: " << failure->message << "\n";
        return failure->exitCode;
    }
    const bool ipv6 = listen.find(':') != std::string::npos;
    const std::string address = "http://" + (ipv6 ? "[" + listen + "]" : listen) + ":" + std::to_string(*port) + "/";
    if (!web::isLoopback(listen))
        std::cerr << "vesk_host serve: WARNING: listening on " << listen
                  << ", which other machines can reach. Anyone who reaches it can drive the script, restart it\n"
                     "and read its transcript; there is no password. Use it only on a network you trust.\n";
    const std::string what = studio.empty() && arguments.scripts.empty() ? live.library
                             : "the studio (" + std::to_string(live.positions.size()) + " positions)";
    std::cout << "vesk_host serve: the live page of " << what << " is at " << address << "\n"
              << "vesk_host serve: Ctrl-C stops it\n"
              << std::flush;

    std::thread stopper([&server, stopSignals] {
        int taken = 0;
        sigwait(&stopSignals, &taken);
        server.stop();
    });
    server.run();
    // Wakes the stopper when the server ended by itself.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cout << "vesk_host serve: stopped\n" << std::flush;
    return exitSuccess;
}
