#include "web/request_guard.h"

#include <algorithm>
#include <cctype>

namespace vesk_host::web {

namespace {

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool known(const std::vector<std::string>& hosts, const std::string& host)
{
    const std::string wanted = lower(host);
    return std::find(hosts.begin(), hosts.end(), wanted) != hosts.end();
}

std::string hostOf(const std::string& address, const std::string& suffix)
{
    const bool ipv6 = address.find(':') != std::string::npos;
    return lower(ipv6 ? "[" + address + "]" : address) + suffix;
}

void addLoopbackNames(std::vector<std::string>& hosts, const std::string& suffix)
{
    for (const char* name : {"localhost", "127.0.0.1", "[::1]"}) {
        const std::string host = name + suffix;
        if (std::find(hosts.begin(), hosts.end(), host) == hosts.end())
            hosts.push_back(host);
    }
}

} // namespace

bool hasControlBytes(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t') || byte == 0x7f;
    });
}

bool isLoopback(const std::string& address)
{
    return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0 ||
           address.rfind("::ffff:127.", 0) == 0;
}

std::vector<std::string> servedHosts(const std::string& address, int port)
{
    const std::string suffix = ":" + std::to_string(port);
    std::vector<std::string> hosts = {hostOf(address, suffix)};
    if (isLoopback(address))
        addLoopbackNames(hosts, suffix);
    return hosts;
}

std::vector<std::string> servedHostsAnywhere(const std::vector<std::string>& addresses, int port)
{
    const std::string suffix = ":" + std::to_string(port);
    std::vector<std::string> hosts;
    for (const std::string& address : addresses)
        if (std::find(hosts.begin(), hosts.end(), hostOf(address, suffix)) == hosts.end())
            hosts.push_back(hostOf(address, suffix));
    addLoopbackNames(hosts, suffix);
    return hosts;
}

Verdict checkRequest(const RequestFacts& request, const std::vector<std::string>& hosts)
{
    if (request.hostHeaders > 1)
        return {400, "a request has one Host header"};
    if (request.controlBytes)
        return {400, "a header holds a control byte"};
    if (!request.host || !known(hosts, *request.host))
        return {421, "this server answers only requests for " + hosts.front()};
    if (request.bodySize > maxRequestBody)
        return {413, "the request body is larger than " + std::to_string(maxRequestBody) + " bytes"};
    if (request.method == "GET" || request.method == "HEAD") {
        if (request.hasBody)
            return {400, "a " + request.method + " request carries no body"};
        return {};
    }
    if (request.method != "POST")
        return {405, "only GET and POST are answered"};
    if (request.origin && !known(hosts, [&] {
            const std::string& origin = *request.origin;
            return lower(origin).rfind("http://", 0) == 0 ? origin.substr(7) : std::string("\x01");
        }()))
        return {403, "a POST from another origin is refused"};
    if (!request.mark || *request.mark != pageMarkValue)
        return {403, "a POST must come from the page (it sends " + std::string(pageMarkHeader) + ")"};
    if (!request.framed)
        return {411, "a POST says how long its body is (Content-Length)"};
    return {};
}

} // namespace vesk_host::web
