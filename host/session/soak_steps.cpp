#include "session/soak_steps.h"

#include "session/session_lines.h"

#include <iterator>
#include <vector>

namespace vesk_host {

std::uint64_t SeededRandom::next()
{
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::int64_t SeededRandom::between(std::int64_t from, std::int64_t to)
{
    return from + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(to - from) + 1));
}

std::string SoakSteps::text()
{
    static const char* const known[] = {"",        "index=1", "index=2", "index=3", "index=5", "index=0",
                                        "index=-1", "a.b.c=v", "'",       "' '",     "%1%2",    "=",
                                        "_events", "return=all", "value=4", "alarm=ack"};
    if (random_.below(3) == 0)
        return known[random_.below(std::size(known))];
    // Printable bytes only: session files carry no control bytes.
    const auto length = random_.below(random_.below(10) == 0 ? 300 : 24);
    std::string made;
    for (std::uint64_t i = 0; i < length; ++i)
        made += static_cast<char>(' ' + random_.below(95));
    return made;
}

std::string SoakSteps::press(const Emulator& emulator, std::string& panel)
{
    const auto& panels = emulator.panels().all();
    const LoadedPanel* current = emulator.panels().find(panel);
    if (!current || random_.below(20) == 0) {
        auto chosen = panels.begin();
        std::advance(chosen, static_cast<long>(random_.below(panels.size())));
        if (chosen->first != panel || !current) {
            panel = chosen->first;
            return "panel " + sessionWord(panel);
        }
    }
    if (current->controls.empty())
        return "advance 1";
    const auto& control = current->controls[random_.below(current->controls.size())];
    const std::string event = text();
    return "press " + sessionWord(control.id) + (event.empty() ? "" : " " + sessionWord(event));
}

std::string SoakSteps::revertive(const Emulator& emulator)
{
    const auto& routers = emulator.plant().routers;
    std::int64_t device = random_.between(-1, 99);
    std::int64_t index = random_.between(-1, 20);
    if (!routers.empty() && random_.below(4) != 0) {
        const Router& router = routers[random_.below(routers.size())];
        device = router.device;
        index = random_.between(-1, router.destinations);
    }
    return "revertive " + std::to_string(device) + " " + std::to_string(index) + " " + sessionWord(text());
}

std::string SoakSteps::query()
{
    if (random_.below(8) == 0)
        return "query";
    return "query " + sessionWord(text());
}

std::string SoakSteps::routerStep(const Emulator& emulator)
{
    const auto& routers = emulator.plant().routers;
    const Router& router = routers[random_.below(routers.size())];
    if (router.sources <= 0 || router.destinations <= 0)
        return "advance 1";
    const std::string device = std::to_string(router.device);
    if (random_.below(2) == 0)
        return "route " + device + " " + std::to_string(random_.between(0, router.sources - 1)) + " " +
               std::to_string(random_.between(0, router.destinations - 1));
    const auto first = random_.between(0, router.destinations - 1);
    return "poll " + device + " " + std::to_string(first) + " " +
           std::to_string(random_.between(first, router.destinations - 1));
}

std::string SoakSteps::next(const Emulator& emulator, std::string& panel)
{
    for (;;) {
        const auto roll = random_.below(100);
        if (roll < 35) {
            if (!emulator.panels().all().empty())
                return press(emulator, panel);
        } else if (roll < 50) {
            return revertive(emulator);
        } else if (roll < 60) {
            return query();
        } else if (roll < 75) {
            return "advance " + std::to_string(random_.below(600));
        } else if (roll < 80) {
            static const std::int64_t ids[] = {0, 1, 2, 3, -1, 65536};
            return "tick " + std::to_string(random_.below(3) == 0 ? random_.between(-5, 300)
                                                                   : ids[random_.below(std::size(ids))]);
        } else if (roll < 95) {
            if (!emulator.plant().routers.empty())
                return routerStep(emulator);
        } else {
            static const char* const modes[] = {"plant", "plant", "plant", "null", "empty", "long"};
            return std::string("replies ") + modes[random_.below(std::size(modes))];
        }
    }
}

} // namespace vesk_host
