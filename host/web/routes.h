// What the live page's server answers, one row per path:
//
//   GET  /, /index.html, the page's other files   (built into the binary)
//   GET  /api/events      a stream: the full state, then every update
//   GET  /api/recording   the recording so far, as a session file
//   POST /api/step        body: one session step line
//   POST /api/restart     ends the script's process and starts a new one
//   POST /api/realtime    body: "on" or "off"
//
// HEAD is answered wherever GET is. Anything else is 404, a known path with
// another method 405. A query string is ignored. The server reads no file.
#ifndef VESK_HOST_WEB_ROUTES_H
#define VESK_HOST_WEB_ROUTES_H

#include <string_view>

#include "web/web_assets.h"

namespace vesk_host::web {

enum class RouteKind { asset, events, recording, step, restart, realtime, notFound, wrongMethod };

struct RouteMatch {
    RouteKind kind;
    const Asset* asset = nullptr;  // for RouteKind::asset
};

RouteMatch matchRoute(std::string_view method, std::string_view target);

} // namespace vesk_host::web

#endif
