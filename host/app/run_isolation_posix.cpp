#include "app/run_isolation.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <string>

#include "app/fatal_output.h"
#include "app/output.h"
#include "base/write_all.h"
#include "events/rules.h"
#include "traps/signal_names.h"

namespace vesk_host {

namespace {

int doneChannel = -1;

} // namespace

bool isolationAvailable() { return true; }

int isolatedDoneChannel() { return doneChannel; }

int runIsolated(const std::function<int()>& run, bool json)
{
    int output[2];
    int done[2];
    if (pipe(output) != 0 || pipe(done) != 0) {
        std::cerr << "vesk_host: cannot make the pipes of a child process (--isolate)\n";
        return 3;
    }
    std::cout.flush();
    std::cerr.flush();
    const pid_t child = fork();
    if (child < 0) {
        std::cerr << "vesk_host: cannot start a child process (--isolate)\n";
        return 3;
    }
    if (child == 0) {
        close(output[0]);
        close(done[0]);
        dup2(output[1], STDOUT_FILENO);
        close(output[1]);
        doneChannel = done[1];
        const int code = run();
        Output::standard().flush();
        const char finished = static_cast<char>('0' + code);
        writeAll(done[1], &finished, 1);
        _exit(code);
    }
    close(output[1]);
    close(done[1]);
    // Relay the transcript, keeping its last lines for a report.
    std::deque<std::string> last;
    std::string line;
    char buffer[65536];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        writeAll(STDOUT_FILENO, buffer, static_cast<std::size_t>(got));
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] != '\n') {
                if (line.size() < 300)
                    line += buffer[i];
                continue;
            }
            last.push_back(line);
            line.clear();
            if (last.size() > 8)
                last.pop_front();
        }
    }
    close(output[0]);
    char finished = 0;
    while (read(done[0], &finished, 1) < 0 && errno == EINTR) {
    }
    close(done[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (finished >= '0' && finished <= '9')
        return finished - '0';
    if (finished == 'F')
        return 1;  // the child's fatal watch has reported
    std::string message = WIFSIGNALED(status) ? std::string("the script's process died of ") + signalName(WTERMSIG(status))
                                              : "the script's process ended with exit code " +
                                                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                                                    " (exit or _exit) before the run had finished";
    if (!last.empty()) {
        message += "; the last lines of its transcript:";
        for (const auto& kept : last)
            message += " | " + kept;
    }
    const Rule& rule = WIFSIGNALED(status) ? rule::scriptCrashed : rule::scriptEnded;
    static char report[8192];
    fatalLine(report, sizeof report, json, rule.name, message.c_str());
    writeAll(STDOUT_FILENO, report, std::strlen(report));
    std::cerr << "vesk_host: the script ended the run: " << rule.name << ": " << message << "\n";
    return 1;
}

} // namespace vesk_host
