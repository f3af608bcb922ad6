// A script made inside a test, loaded through a plain export function like
// a library's: hooks say what it sends at start-up, on each event and when
// it ends, and it logs every event it receives.
#ifndef VESK_HOST_TEST_FAKE_SCRIPT_H
#define VESK_HOST_TEST_FAKE_SCRIPT_H

#include <functional>
#include <string>
#include <vector>

#include "vesk_client_callback.h"

class FakeScript final : public vesk_client_callback {
public:
    struct Hooks {
        std::function<void(vesk_client_callback& host)> start;
        // Returns the answer to the event (for code 3 a malloc'd text or null).
        std::function<void*(vesk_client_callback& host, void* data, int code)> event;
        std::function<void(vesk_client_callback& host)> end;
    };

    // What the next loaded FakeScript does, and what every FakeScript received.
    static Hooks hooks;
    static std::vector<std::string> received;
    static void reset();
    // The export.
    static vesk_client_callback* VESK_CDECL load(vesk_client_callback* host, const char* path);

    ~FakeScript() override;
    void* callback(void* data, int code) override;

private:
    explicit FakeScript(vesk_client_callback* host) : host_(host), hooks_(hooks) {}
    static void log(const void* data, int code);
    vesk_client_callback* host_;
    Hooks hooks_;
};

// Sends `text` with code 0 and returns the reply.
void* sendCommand(vesk_client_callback& host, const char* text);
// Sends `text` and hands a non-null reply back at once, as the framework does.
void sendAndRelease(vesk_client_callback& host, const char* text);

#endif
