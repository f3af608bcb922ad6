#include "base/files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace vesk_host {

namespace {

std::string systemReason(const std::error_code& error)
{
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
        return "no such file";
    if (error == std::errc::permission_denied)
        return "permission denied";
    return error.message();
}

Error cannotRead(const std::filesystem::path& file, const std::string& reason)
{
    return fail(ErrorKind::unreadable,
                (file.empty() ? std::string("\"\"") : file.string()) + ": cannot be read: " + reason);
}

} // namespace

Status checkReadable(const std::filesystem::path& file)
{
    const auto unreadable = [](std::string reason) { return fail(ErrorKind::unreadable, std::move(reason)); };
    if (file.empty())
        return unreadable("an empty file name");
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error)
        return unreadable(systemReason(error));
    if (status.type() == std::filesystem::file_type::directory)
        return unreadable("is a directory");
    if (status.type() != std::filesystem::file_type::regular)
        return unreadable("is not a regular file (a FIFO, a device or a socket)");
    std::ifstream probe(file, std::ios::binary);
    if (!probe)
        return unreadable(errno == EACCES ? "permission denied" : std::strerror(errno));
    return Done{};
}

Result<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t limit)
{
    if (const Status readable = checkReadable(file); !readable)
        return cannotRead(file, readable.error().message);
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
        return cannotRead(file, errno == EACCES ? "permission denied" : std::strerror(errno));
    // Read at most one byte past the limit, so a file that grows while it is read is refused too.
    std::string text;
    char block[65536];
    while (stream) {
        stream.read(block, sizeof block);
        text.append(block, static_cast<std::size_t>(stream.gcount()));
        if (text.size() > limit)
            return cannotRead(file, "is larger than " + std::to_string(limit) + " bytes");
    }
    if (stream.bad())
        return cannotRead(file, "a read error");
    return text;
}

} // namespace vesk_host
