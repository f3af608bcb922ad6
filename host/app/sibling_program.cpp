#include "app/sibling_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "app/exit_codes.h"

namespace vesk_host {

namespace {

// The folder vesk_host runs from, where its other programs are built and installed.
std::string programFolder()
{
    std::vector<char> path(4096);
    const ssize_t size = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (size <= 0)
        return ".";
    const std::string exe(path.data(), static_cast<std::size_t>(size));
    const auto slash = exe.rfind('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}

} // namespace

int execSibling(const char* name, const std::vector<std::string>& words, const char* command, const char* missingHint)
{
    const std::string program = programFolder() + "/" + name;
    std::vector<std::string> line = {program};
    line.insert(line.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (std::string& word : line)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::cout << std::flush;
    execv(program.c_str(), argv.data());
    std::cerr << "vesk_host " << command << ": cannot start " << program << ": " << std::strerror(errno)
              << (errno == ENOENT ? missingHint : "") << "\n";
    return exitUsage;
}

} // namespace vesk_host
