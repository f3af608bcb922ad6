#include "files.h"

#include <fstream>
#include <sstream>

namespace vesk_host {

std::optional<std::string> readWholeFile(const std::filesystem::path& file)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
        return std::nullopt;
    std::ostringstream text;
    text << stream.rdbuf();
    if (stream.bad())
        return std::nullopt;
    return text.str();
}

} // namespace vesk_host
