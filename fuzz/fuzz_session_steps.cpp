// The session-step reader on arbitrary text: steps or a "file:line:
// message" error, never a crash; steps come in line order, each with its
// canonical form for the transcript.
#include <stddef.h>
#include <stdint.h>

#include <string_view>

#include "fuzz_check.h"
#include "session/session_steps.h"

namespace {

const vesk_host::Plant& fuzzPlant()
{
    static const vesk_host::Plant plant = [] {
        vesk_host::Plant made;
        made.devices.push_back(vesk_host::Device{"SDI", 7, {"SDI B"}});
        made.devices.push_back(vesk_host::Device{"XPTS", 12, {}});
        vesk_host::Router router;
        router.device = 7;
        router.sources = 8;
        router.destinations = 4;
        router.crosspoints.assign(4, 0);
        made.routers.push_back(router);
        return made;
    }();
    return plant;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vesk_host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto steps = parseSession(text, "s.vesk", fuzzPlant());
    if (!steps) {
        FUZZ_CHECK(steps.error().message.rfind("s.vesk:", 0) == 0);
        return 0;
    }
    int line = 0;
    for (const Step& step : *steps) {
        FUZZ_CHECK(step.line > line);
        line = step.line;
        FUZZ_CHECK(!step.source.empty());
    }
    return 0;
}
