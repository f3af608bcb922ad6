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

} // namespace

bool isLoopback(const std::string& address)
{
    return address == "::1" || address == "localhost" || address.rfind("127.", 0) == 0;
}

std::vector<std::string> servedHosts(const std::string& address, int port)
{
    const std::string suffix = ":" + std::to_string(port);
    const bool ipv6 = address.find(':') != std::string::npos;
    std::vector<std::string> hosts = {lower(ipv6 ? "[" + address + "]" : address) + suffix};
    if (isLoopback(address))
        for (const char* name : {"localhost", "127.0.0.1", "[::1]"}) {
            const std::string host = name + suffix;
            if (std::find(hosts.begin(), hosts.end(), host) == hosts.end())
                hosts.push_back(host);
        }
    return hosts;
}

Verdict checkRequest(const RequestFacts& request, const std::vector<std::string>& hosts)
{
    if (!request.host || !known(hosts, *request.host))
        return {421, "this server answers only requests for " + hosts.front()};
    if (request.bodySize > maxRequestBody)
        return {413, "the request body is larger than " + std::to_string(maxRequestBody) + " bytes"};
    if (request.method == "GET" || request.method == "HEAD")
        return {};
    if (request.method != "POST")
        return {405, "only GET and POST are answered"};
    if (request.origin && !known(hosts, [&] {
            const std::string& origin = *request.origin;
            return lower(origin).rfind("http://", 0) == 0 ? origin.substr(7) : std::string("\x01");
        }()))
        return {403, "a POST from another origin is refused"};
    if (!request.mark || *request.mark != pageMarkValue)
        return {403, "a POST must come from the page (it sends " + std::string(pageMarkHeader) + ")"};
    return {};
}

} // namespace vesk_host::web
