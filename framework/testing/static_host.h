// StaticHost: a host that answers Rig_Vue's commands from static texts and
// allocates nothing, for allocation tests and benchmarks. It counts the
// commands it receives and checks that only its own replies come back.
#ifndef VESK_TEST_STATIC_HOST_H
#define VESK_TEST_STATIC_HOST_H

#include <cstdint>
#include <cstring>

#include "vesk_client_callback.h"

class StaticHost : public vesk_client_callback {
public:
    void* callback(void* data, int code) override
    {
        if (code == VESK_CODE_RELEASE) {
            if (data && !own(data))
                ++foreignReleases;
            return nullptr;
        }
        if (code != VESK_CODE_COMMAND || !data)
            return nullptr;
        ++commands;
        const char* text = static_cast<const char*>(data);
        lastLength = std::strlen(text);
        for (const Reply& reply : replies)
            if (std::strncmp(text, reply.prefix, std::strlen(reply.prefix)) == 0)
                return const_cast<char*>(reply.text);
        return nullptr;
    }

    std::size_t commands = 0;
    std::size_t lastLength = 0;
    int foreignReleases = 0;

private:
    struct Reply {
        const char* prefix;
        const char* text;
    };
    static constexpr Reply replies[] = {
        {"SD 'ZEP Package Names'", "3"}, {"SD 'ZEP Package XPTS'", "5"}, {"SD 'ZEP SDI Router'", "7"},
        {"SD 'ZEP Audio Router'", "8"},  {"RN 5 1 362", "12,17"},      {"RN 5 0 ", "101,201"},
        {"PS ", "1"},
    };
    static bool own(void* data)
    {
        for (const Reply& reply : replies)
            if (data == reply.text)
                return true;
        return false;
    }
};

#endif
