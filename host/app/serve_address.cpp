#include "app/serve_address.h"

#if defined(_WIN32)
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <algorithm>
#include <cstring>

namespace vesk_host {

namespace {

bool allZero(const unsigned char* bytes, std::size_t size)
{
    return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

// ::ffff:a.b.c.d, an IPv4 address written as IPv6.
bool v4Mapped(const unsigned char* bytes)
{
    static const unsigned char prefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    return std::memcmp(bytes, prefix, sizeof prefix) == 0;
}

} // namespace

Result<ListenAddress> parseListenAddress(const std::string& given, bool allowWildcard)
{
    const std::string text = given == "localhost" ? "127.0.0.1" : given;
    ListenAddress address;
    char canonical[INET6_ADDRSTRLEN] = {};
    unsigned char v4[4];
    unsigned char v6[16];
    if (inet_pton(AF_INET, text.c_str(), v4) == 1) {
        inet_ntop(AF_INET, v4, canonical, sizeof canonical);
        address.wildcard = allZero(v4, 4);
        address.loopback = v4[0] == 127;
    } else if (inet_pton(AF_INET6, text.c_str(), v6) == 1) {
        inet_ntop(AF_INET6, v6, canonical, sizeof canonical);
        const bool mapped = v4Mapped(v6);
        address.wildcard = allZero(v6, 16) || (mapped && allZero(v6 + 12, 4));
        address.loopback = (allZero(v6, 15) && v6[15] == 1) || (mapped && v6[12] == 127);
    } else {
        return fail("--listen takes a numeric address of this machine, such as 127.0.0.1 or ::1 (or localhost), not \"" +
                    given + "\"");
    }
    if (address.wildcard && !allowWildcard)
        return fail("--listen " + given +
                    " is every interface of this machine, reachable by anyone on its networks; give one "
                    "address, or add --every-interface if that is what you mean");
    address.text = canonical;
    return address;
}

std::optional<int> parsePort(const std::string& given)
{
    if (given.empty() || given.size() > 5 ||
        !std::all_of(given.begin(), given.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int port = std::stoi(given);
    if (port > 65535)
        return std::nullopt;
    return port;
}

} // namespace vesk_host
