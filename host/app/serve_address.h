// The binding options of `vesk_host serve`, read strictly: --listen takes
// one numeric address of this machine (or "localhost"), as inet_pton reads
// it, and every spelling of "all interfaces" (0.0.0.0, ::, ::0,
// 0:0:0:0:0:0:0:0, ::ffff:0.0.0.0, ...) is refused unless the caller allows
// it; --port takes plain decimal digits (no sign, no 0x, no spaces) up to
// 65535. Names other than localhost are refused: a name may resolve to
// several addresses, or to a wildcard.
#ifndef VESK_HOST_APP_SERVE_ADDRESS_H
#define VESK_HOST_APP_SERVE_ADDRESS_H

#include <optional>
#include <string>

#include "base/result.h"

namespace vesk_host {

struct ListenAddress {
    std::string text;  // as inet_ntop writes it ("localhost" reads as 127.0.0.1)
    bool wildcard = false;
    bool loopback = false;
};

Result<ListenAddress> parseListenAddress(const std::string& given, bool allowWildcard);
std::optional<int> parsePort(const std::string& given);

} // namespace vesk_host

#endif
