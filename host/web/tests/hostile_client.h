// Test support for the live page's server as a hostile client sees it: the
// real `vesk_host serve` started on a free loopback port, and raw TCP
// exchanges with it, every read bounded in time.
#ifndef VESK_HOST_WEB_TESTS_HOSTILE_CLIENT_H
#define VESK_HOST_WEB_TESTS_HOSTILE_CLIENT_H

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace hostile {

using namespace std::chrono_literals;

struct Serve {
    pid_t pid = -1;
    int port = 0;
    std::string host;  // "127.0.0.1:PORT"
};

// Starts `vesk_host serve --port 0 ARGS... LIBRARY`; fails the test when it prints no address in time.
Serve start(const std::vector<std::string>& args, const std::string& library);
// Ctrl-C; returns the exit code.
int stop(Serve& serve);
// The server's resident memory in KiB.
long residentKiB(const Serve& serve);

// A connected socket to the server (with send and receive time-outs of `wait`), or -1.
int connectTo(int port, std::chrono::milliseconds wait = 5000ms);
// Sends everything it can (a server that closes early is no error).
void sendAll(int socket, const std::string& bytes);
// Reads (a socket or a pipe) until the other end closes or `wait` passes; `closed` says which.
std::string readAll(int socket, std::chrono::milliseconds wait, bool* closed = nullptr);
// Reads until `needle` has arrived, the other end closes or `wait` passes: an
// open stream's update is met as soon as it comes, not at the deadline.
std::string readUntil(int socket, const std::string& needle, std::chrono::milliseconds wait);
// Reads one answer (its head, and its body by Content-Length) from a connection kept alive.
std::string readAnswer(int socket, std::chrono::milliseconds wait = 30000ms);
// One connection: sends `bytes`, reads until closed or `wait`.
std::string roundTrip(int port, const std::string& bytes, std::chrono::milliseconds wait = 5000ms,
                     bool* closed = nullptr);

// A request as the page sends it (with the page mark and a length).
std::string pageRequest(const Serve& serve, const std::string& method, const std::string& path,
                        const std::string& body = "", const std::string& extraHeaders = "");
// The status codes of every answer in `bytes`, in order.
std::vector<int> statuses(const std::string& bytes);
// GET PATH on a fresh connection: the status and the body.
std::pair<int, std::string> get(const Serve& serve, const std::string& path);

} // namespace hostile

#endif
