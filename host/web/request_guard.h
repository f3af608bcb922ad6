// Which requests the live page's server answers. It serves one page to a
// browser on the same machine (or, with --listen, to the address given), so:
// - a request is well formed: one Host header, no control bytes in any
//   header, a body only where one is read (never on GET or HEAD) and a
//   POST says how long its body is (Content-Length or chunked);
// - the Host header must name the address it serves, exactly: a page on
//   another site whose name was pointed at this address (DNS rebinding)
//   sends its own name and is refused;
// - a POST must come from the page itself: an Origin header, when there is
//   one, must be this server's, and the page's own mark header must be
//   there (a cross-site form cannot set it);
// - bodies are small: a POST carries one session step or a switch.
// A refused request is answered and its connection closed: nothing after
// its head is read as a request.
#ifndef VESK_HOST_WEB_REQUEST_GUARD_H
#define VESK_HOST_WEB_REQUEST_GUARD_H

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vesk_host::web {

// The header every POST of the page carries, and its value.
constexpr const char* pageMarkHeader = "X-Vesk-Page";
constexpr const char* pageMarkValue = "1";
// The largest request body the server reads.
constexpr std::size_t maxRequestBody = 16384;

// The Host header values that name this server: "ADDRESS:PORT" (IPv6 in
// brackets), and for a loopback address also "localhost:PORT" and the
// other loopback spellings. `address` is as the server printed it.
std::vector<std::string> servedHosts(const std::string& address, int port);
// For a server on every interface: each of the machine's `addresses` and
// the loopback names.
std::vector<std::string> servedHostsAnywhere(const std::vector<std::string>& addresses, int port);

// Whether an address (as inet_ntop writes it, or "localhost") is a loopback one.
bool isLoopback(const std::string& address);

struct RequestFacts {
    std::string method;
    std::optional<std::string> host;  // the first Host header
    std::optional<std::string> origin;
    std::optional<std::string> mark;  // the page mark header
    std::size_t bodySize = 0;         // as declared (Content-Length); 0 when chunked or none
    int hostHeaders = 1;              // how many Host headers came
    bool controlBytes = false;        // a header name or value holds a control byte
    bool hasBody = false;             // a Content-Length above 0, or a chunked body
    bool framed = true;               // Content-Length or chunked was given
};

struct Verdict {
    int status = 0;  // 0: allowed; else the HTTP status to answer with
    std::string reason;
};

Verdict checkRequest(const RequestFacts& request, const std::vector<std::string>& hosts);

// Whether a header name or value holds a byte below 0x20 (but tab) or 0x7f.
bool hasControlBytes(const std::string& text);

} // namespace vesk_host::web

#endif
