// Which requests the live page's server answers: the Host header against
// DNS rebinding, Origin and the page mark against cross-site posts, and
// body sizes.
#include <gtest/gtest.h>

#include "web/request_guard.h"

using namespace vesk_host::web;

TEST(ServedHosts, NamesEveryLoopbackSpellingOnlyForLoopback)
{
    EXPECT_EQ(servedHosts("127.0.0.1", 8750),
              (std::vector<std::string>{"127.0.0.1:8750", "localhost:8750", "[::1]:8750"}));
    EXPECT_EQ(servedHosts("::1", 9), (std::vector<std::string>{"[::1]:9", "localhost:9", "127.0.0.1:9"}));
    EXPECT_EQ(servedHosts("192.168.7.2", 80), (std::vector<std::string>{"192.168.7.2:80"}));
    EXPECT_TRUE(isLoopback("127.0.0.2"));
    EXPECT_FALSE(isLoopback("10.0.0.1"));
    EXPECT_FALSE(isLoopback("1127.0.0.1"));
}

TEST(CheckRequest, AnswersOnlyThePageOfThisServer)
{
    const auto hosts = servedHosts("127.0.0.1", 8750);
    const std::optional<std::string> none;
    const std::string mark = pageMarkValue;
    struct Case {
        const char* what;
        RequestFacts request;
        int status;
        const char* reason;  // a part of the reason
    };
    const Case cases[] = {
        {"the page", {"GET", "127.0.0.1:8750", none, none, 0}, 0, ""},
        {"localhost", {"GET", "localhost:8750", none, none, 0}, 0, ""},
        {"upper-case host", {"GET", "LOCALHOST:8750", none, none, 0}, 0, ""},
        {"no Host header", {"GET", none, none, none, 0}, 421, "answers only requests for 127.0.0.1:8750"},
        {"a rebound name", {"GET", "evil.example:8750", none, none, 0}, 421, "answers only"},
        {"another port", {"GET", "127.0.0.1:8751", none, none, 0}, 421, "answers only"},
        {"host without port", {"GET", "127.0.0.1", none, none, 0}, 421, "answers only"},
        {"host with a suffix", {"GET", "127.0.0.1:8750.evil.example", none, none, 0}, 421, "answers only"},
        {"a step from the page", {"POST", "127.0.0.1:8750", "http://127.0.0.1:8750", mark, 20}, 0, ""},
        {"a step from localhost", {"POST", "localhost:8750", "http://localhost:8750", mark, 20}, 0, ""},
        {"a step without Origin (a tool)", {"POST", "127.0.0.1:8750", none, mark, 20}, 0, ""},
        {"another origin", {"POST", "127.0.0.1:8750", "http://evil.example", mark, 20}, 403, "another origin"},
        {"another port's origin", {"POST", "127.0.0.1:8750", "http://127.0.0.1:9999", mark, 20}, 403, "another origin"},
        {"an https origin", {"POST", "127.0.0.1:8750", "https://127.0.0.1:8750", mark, 20}, 403, "another origin"},
        {"a null origin", {"POST", "127.0.0.1:8750", "null", mark, 20}, 403, "another origin"},
        {"no page mark (a form)", {"POST", "127.0.0.1:8750", "http://127.0.0.1:8750", none, 20}, 403, "X-Vesk-Page"},
        {"a wrong page mark", {"POST", "127.0.0.1:8750", none, "yes", 20}, 403, "X-Vesk-Page"},
        {"the largest body", {"POST", "127.0.0.1:8750", none, mark, maxRequestBody}, 0, ""},
        {"a body too large", {"POST", "127.0.0.1:8750", none, mark, maxRequestBody + 1}, 413, "larger than 16384"},
        {"PUT", {"PUT", "127.0.0.1:8750", none, mark, 0}, 405, "only GET and POST"},
        {"DELETE", {"DELETE", "127.0.0.1:8750", none, mark, 0}, 405, "only GET and POST"},
        {"HEAD", {"HEAD", "127.0.0.1:8750", none, none, 0}, 0, ""},
    };
    for (const Case& c : cases) {
        const Verdict verdict = checkRequest(c.request, hosts);
        EXPECT_EQ(verdict.status, c.status) << c.what;
        EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << c.what << ": " << verdict.reason;
    }
}

TEST(CheckRequest, AnotherListenAddressIsTheOnlyHost)
{
    const auto hosts = servedHosts("192.168.7.2", 8750);
    EXPECT_EQ(checkRequest({"GET", std::string("192.168.7.2:8750"), {}, {}, 0}, hosts).status, 0);
    EXPECT_EQ(checkRequest({"GET", std::string("localhost:8750"), {}, {}, 0}, hosts).status, 421);
    EXPECT_EQ(checkRequest({"POST", std::string("192.168.7.2:8750"), std::string("http://localhost:8750"),
                            std::string(pageMarkValue), 0},
                           hosts)
                  .status,
              403);
}

TEST(CheckRequest, RefusesMalformedFramingAndHeaders)
{
    const auto hosts = servedHosts("127.0.0.1", 8750);
    struct Case {
        const char* what;
        const char* method;
        void (*change)(RequestFacts&);
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"two Host headers", "GET", [](RequestFacts& f) { f.hostHeaders = 2; }, 400, "one Host header"},
        {"a foreign Host among two", "GET",
         [](RequestFacts& f) {
             f.host = "evil.example:8750";
             f.hostHeaders = 2;
         },
         400, "one Host header"},
        {"no Host header", "GET",
         [](RequestFacts& f) {
             f.hostHeaders = 0;
             f.host.reset();
         },
         421, "answers only"},
        {"a control byte in a header", "GET", [](RequestFacts& f) { f.controlBytes = true; }, 400, "control byte"},
        {"a GET with a body", "GET", [](RequestFacts& f) { f.hasBody = true; }, 400, "a GET request carries no body"},
        {"a HEAD with a body", "HEAD", [](RequestFacts& f) { f.hasBody = true; }, 400, "a HEAD request carries no body"},
        {"a POST without a length", "POST", [](RequestFacts& f) { f.framed = false; }, 411, "Content-Length"},
        {"an unmarked POST without a length", "POST",
         [](RequestFacts& f) {
             f.framed = false;
             f.mark.reset();
         },
         403, "X-Vesk-Page"},
        {"a chunked POST", "POST", [](RequestFacts& f) { f.hasBody = true; }, 0, ""},
    };
    for (const Case& c : cases) {
        RequestFacts facts;
        facts.method = c.method;
        facts.host = "127.0.0.1:8750";
        facts.mark = pageMarkValue;
        c.change(facts);
        const Verdict verdict = checkRequest(facts, hosts);
        EXPECT_EQ(verdict.status, c.status) << c.what;
        EXPECT_NE(verdict.reason.find(c.reason), std::string::npos) << c.what << ": " << verdict.reason;
    }
}

TEST(CheckRequest, ControlBytesAreThoseBelowSpaceButTabAndDelete)
{
    EXPECT_FALSE(hasControlBytes("127.0.0.1:8750"));
    EXPECT_FALSE(hasControlBytes("a\tb"));
    EXPECT_FALSE(hasControlBytes("caf\xc3\xa9"));
    EXPECT_TRUE(hasControlBytes(std::string("127.0.0.1\0:8750", 15)));
    EXPECT_TRUE(hasControlBytes("a\rb"));
    EXPECT_TRUE(hasControlBytes("a\x7f"));
}

TEST(ServedHosts, EveryInterfaceServesEachAddressAndTheLoopbackNames)
{
    EXPECT_EQ(servedHostsAnywhere({"192.168.7.2", "fe80::1", "192.168.7.2"}, 80),
              (std::vector<std::string>{"192.168.7.2:80", "[fe80::1]:80", "localhost:80", "127.0.0.1:80", "[::1]:80"}));
    EXPECT_TRUE(isLoopback("::ffff:127.0.0.1"));
}
