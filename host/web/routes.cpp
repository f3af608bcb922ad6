#include "web/routes.h"

namespace vesk_host::web {

namespace {

struct Route {
    const char* method;
    const char* path;
    RouteKind kind;
};

const Route routes[] = {
    {"GET", "/api/events", RouteKind::events},
    {"GET", "/api/recording", RouteKind::recording},
    {"POST", "/api/step", RouteKind::step},
    {"POST", "/api/restart", RouteKind::restart},
    {"POST", "/api/realtime", RouteKind::realtime},
};

} // namespace

RouteMatch matchRoute(std::string_view method, std::string_view target)
{
    const std::string_view path = target.substr(0, target.find('?'));
    const bool get = method == "GET" || method == "HEAD";
    for (const Route& route : routes) {
        if (path != route.path)
            continue;
        const bool head = method == "HEAD" && std::string_view(route.method) == "GET" && route.kind != RouteKind::events;
        return {method == route.method || head ? route.kind : RouteKind::wrongMethod};
    }
    if (const Asset* asset = findAsset(path == "/" ? std::string_view("/index.html") : path))
        return {get ? RouteKind::asset : RouteKind::wrongMethod, asset};
    return {RouteKind::notFound};
}

} // namespace vesk_host::web
