// What the live page's server answers for each method and path.
#include <gtest/gtest.h>

#include "web/routes.h"

using namespace vesk_host::web;

TEST(Routes, OnePathOneMethodAndHeadWhereGetIs)
{
    struct Case {
        const char* method;
        const char* target;
        RouteKind kind;
    };
    const Case cases[] = {
        {"GET", "/", RouteKind::asset},
        {"HEAD", "/", RouteKind::asset},
        {"GET", "/index.html", RouteKind::asset},
        {"GET", "/app.js?v=2", RouteKind::asset},
        {"GET", "/stream.js", RouteKind::asset},
        {"GET", "/favicon.svg", RouteKind::asset},
        {"POST", "/app.js", RouteKind::wrongMethod},
        {"GET", "/api/events", RouteKind::events},
        {"HEAD", "/api/events", RouteKind::wrongMethod},
        {"GET", "/api/recording", RouteKind::recording},
        {"HEAD", "/api/recording", RouteKind::recording},
        {"POST", "/api/step", RouteKind::step},
        {"GET", "/api/step", RouteKind::wrongMethod},
        {"POST", "/api/restart", RouteKind::restart},
        {"POST", "/api/realtime", RouteKind::realtime},
        {"GET", "/api/nothing", RouteKind::notFound},
        {"GET", "/../etc/passwd", RouteKind::notFound},
        {"GET", "//app.js", RouteKind::notFound},
        {"GET", "", RouteKind::notFound},
        {"GET", "*", RouteKind::notFound},
    };
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(matchRoute(c.method, c.target).kind), static_cast<int>(c.kind))
            << c.method << " " << c.target;
    const RouteMatch root = matchRoute("GET", "/");
    ASSERT_NE(root.asset, nullptr);
    EXPECT_STREQ(root.asset->path, "/index.html");
}
