#include "hostile_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <thread>

namespace hostile {

namespace {

// The decimal number at `at` in `text` (at most `digits` digits), moving `at` past it; -1 when none.
long numberAt(const std::string& text, std::size_t& at, std::size_t digits)
{
    long value = 0;
    const std::size_t begin = at;
    while (at < text.size() && at - begin < digits && std::isdigit(static_cast<unsigned char>(text[at])))
        value = value * 10 + (text[at++] - '0');
    return at > begin ? value : -1;
}

// The port in "... is at http://127.0.0.1:PORT/", or 0 while that is not printed in full.
int printedPort(const std::string& printed)
{
    const std::string mark = "is at http://127.0.0.1:";
    const std::size_t found = printed.find(mark);
    if (found == std::string::npos)
        return 0;
    std::size_t at = found + mark.size();
    const long port = numberAt(printed, at, 5);
    return port > 0 && port < 65536 && at < printed.size() && printed[at] == '/' ? static_cast<int>(port) : 0;
}

// The value of the Content-Length header in `head` (any case), or -1.
long contentLength(std::string head)
{
    for (char& c : head)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string name = "\r\ncontent-length: ";
    const std::size_t found = head.find(name);
    if (found == std::string::npos)
        return -1;
    std::size_t at = found + name.size();
    const long length = numberAt(head, at, 9);
    return head.compare(at, 2, "\r\n") == 0 ? length : -1;
}

// Reads until `needle` (when not empty) has arrived, the other end closes or `wait` passes.
std::string readFor(int socket, const std::string& needle, std::chrono::milliseconds wait, bool* closed)
{
    std::string got;
    if (closed)
        *closed = false;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (!needle.empty() && got.find(needle) != std::string::npos)
            return got;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return got;
        pollfd ready{socket, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return got;
        char buffer[65536];
        const ssize_t size = read(socket, buffer, sizeof buffer);
        if (size <= 0) {
            if (closed)
                *closed = true;
            return got;
        }
        got.append(buffer, static_cast<std::size_t>(size));
    }
}

} // namespace

Serve start(const std::vector<std::string>& args, const std::string& library)
{
    Serve serve;
    int out[2];
    if (pipe(out) != 0)
        return serve;
    std::vector<std::string> words = {VESK_HOST_PROGRAM, "serve", "--port", "0"};
    words.insert(words.end(), args.begin(), args.end());
    words.push_back(library);
    serve.pid = fork();
    if (serve.pid == 0) {
        // A test that dies (a time-out, a crash) takes its server with it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(out[1], 1);
        close(out[0]);
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string printed;
    const auto deadline = std::chrono::steady_clock::now() + 15s;
    while (printedPort(printed) == 0 && std::chrono::steady_clock::now() < deadline) {
        pollfd wait{out[0], POLLIN, 0};
        if (poll(&wait, 1, 200) <= 0)
            continue;
        char buffer[512];
        const ssize_t size = read(out[0], buffer, sizeof buffer);
        if (size <= 0)
            break;
        printed.append(buffer, static_cast<std::size_t>(size));
    }
    close(out[0]);
    const int port = printedPort(printed);
    EXPECT_NE(port, 0) << "serve printed: " << printed;
    if (port != 0) {
        serve.port = port;
        serve.host = "127.0.0.1:" + std::to_string(serve.port);
    }
    return serve;
}

int stop(Serve& serve)
{
    if (serve.pid <= 0)
        return -1;
    kill(serve.pid, SIGINT);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(serve.pid, &status, WNOHANG) == serve.pid) {
            serve.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(100ms);
    }
    kill(serve.pid, SIGKILL);
    waitpid(serve.pid, &status, 0);
    serve.pid = -1;
    return -1;
}

long residentKiB(const Serve& serve)
{
    std::ifstream status("/proc/" + std::to_string(serve.pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

int connectTo(int port, std::chrono::milliseconds wait)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval limit{static_cast<time_t>(wait.count() / 1000), static_cast<suseconds_t>(wait.count() % 1000 * 1000)};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int socket, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t size = send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (size <= 0)
            return;
        sent += static_cast<std::size_t>(size);
    }
}

std::string readAll(int socket, std::chrono::milliseconds wait, bool* closed)
{
    return readFor(socket, "", wait, closed);
}

std::string readUntil(int socket, const std::string& needle, std::chrono::milliseconds wait)
{
    return readFor(socket, needle, wait, nullptr);
}

std::string readAnswer(int socket, std::chrono::milliseconds wait)
{
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const auto head = got.find("\r\n\r\n");
        if (head != std::string::npos) {
            const long length = contentLength(got.substr(0, head + 2));
            if (length < 0 || got.size() >= head + 4 + static_cast<std::size_t>(length))
                return got;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{socket, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            return got;
        char buffer[65536];
        const ssize_t size = read(socket, buffer, sizeof buffer);
        if (size <= 0)
            return got;
        got.append(buffer, static_cast<std::size_t>(size));
    }
}

std::string roundTrip(int port, const std::string& bytes, std::chrono::milliseconds wait, bool* closed)
{
    const int fd = connectTo(port);
    if (fd < 0)
        return "(no connection)";
    sendAll(fd, bytes);
    std::string got = readAll(fd, wait, closed);
    close(fd);
    return got;
}

std::string pageRequest(const Serve& serve, const std::string& method, const std::string& path,
                        const std::string& body, const std::string& extraHeaders)
{
    return method + " " + path + " HTTP/1.1\r\nHost: " + serve.host + "\r\nX-Vesk-Page: 1\r\nContent-Type: text/plain\r\n" +
           "Content-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

std::vector<int> statuses(const std::string& bytes)
{
    // A status line: at the start or after a line feed, "HTTP/1.0 " or
    // "HTTP/1.1 ", three digits and a blank.
    std::vector<int> found;
    std::size_t line = 0;
    while (line < bytes.size()) {
        if (bytes.compare(line, 9, "HTTP/1.1 ") == 0 || bytes.compare(line, 9, "HTTP/1.0 ") == 0) {
            std::size_t at = line + 9;
            const long status = numberAt(bytes, at, 3);
            if (at == line + 12 && bytes.compare(at, 1, " ") == 0)
                found.push_back(static_cast<int>(status));
        }
        const std::size_t end = bytes.find('\n', line);
        if (end == std::string::npos)
            break;
        line = end + 1;
    }
    return found;
}

std::pair<int, std::string> get(const Serve& serve, const std::string& path)
{
    const std::string answer =
        roundTrip(serve.port, "GET " + path + " HTTP/1.1\r\nHost: " + serve.host + "\r\nConnection: close\r\n\r\n");
    const auto codes = statuses(answer);
    const auto body = answer.find("\r\n\r\n");
    return {codes.empty() ? 0 : codes.front(), body == std::string::npos ? "" : answer.substr(body + 4)};
}

} // namespace hostile
