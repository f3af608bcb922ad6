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

StepAction SoakSteps::press(const Emulator& emulator, std::string& panel)
{
    const auto& panels = emulator.panels().all();
    const LoadedPanel* current = emulator.panels().find(panel);
    if (!current || random_.below(20) == 0) {
        auto chosen = panels.begin();
        std::advance(chosen, static_cast<long>(random_.below(panels.size())));
        if (chosen->first != panel || !current) {
            panel = chosen->first;
            return step::Panel{panel};
        }
    }
    if (current->controls.empty())
        return step::Advance{1};
    const auto& control = current->controls[random_.below(current->controls.size())];
    return step::Press{control.id, text()};
}

StepAction SoakSteps::revertive(const Emulator& emulator)
{
    const auto& routers = emulator.plant().routers;
    std::int64_t device = random_.between(-1, 99);
    std::int64_t index = random_.between(-1, 20);
    if (!routers.empty() && random_.below(4) != 0) {
        const Router& router = routers[random_.below(routers.size())];
        device = router.device;
        index = random_.between(-1, router.destinations);
    }
    return step::Revertive{static_cast<std::int32_t>(device), static_cast<std::int32_t>(index), text()};
}

StepAction SoakSteps::query()
{
    if (random_.below(8) == 0)
        return step::Query{std::nullopt};
    return step::Query{text()};
}

StepAction SoakSteps::routerStep(const Emulator& emulator)
{
    const auto& routers = emulator.plant().routers;
    const Router& router = routers[random_.below(routers.size())];
    if (router.sources <= 0 || router.destinations <= 0)
        return step::Advance{1};
    if (random_.below(2) == 0) {
        // The destination is drawn first, as the GCC builds always drew it: a
        // seed keeps giving the steps it gave, whichever compiler built the host.
        const auto destination = static_cast<std::int32_t>(random_.between(0, router.destinations - 1));
        const auto source = static_cast<std::int32_t>(random_.between(0, router.sources - 1));
        return step::Route{router.device, source, destination};
    }
    const auto first = random_.between(0, router.destinations - 1);
    return step::Poll{router.device, static_cast<std::int32_t>(first),
                      static_cast<std::int32_t>(random_.between(first, router.destinations - 1))};
}

StepAction SoakSteps::action(const Emulator& emulator, std::string& panel)
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
            return step::Advance{static_cast<std::int64_t>(random_.below(600))};
        } else if (roll < 80) {
            static const std::int32_t ids[] = {0, 1, 2, 3, -1, 65536};
            return step::Tick{random_.below(3) == 0 ? static_cast<std::int32_t>(random_.between(-5, 300))
                                                    : ids[random_.below(std::size(ids))]};
        } else if (roll < 95) {
            if (!emulator.plant().routers.empty())
                return routerStep(emulator);
        } else {
            // The plant's own answers half the time.
            static const ReplyMode modes[] = {ReplyMode::plant, ReplyMode::plant, ReplyMode::plant,
                                              ReplyMode::null,  ReplyMode::empty, ReplyMode::long_};
            return step::Replies{modes[random_.below(std::size(modes))]};
        }
    }
}

std::string SoakSteps::next(const Emulator& emulator, std::string& panel) { return stepLine(action(emulator, panel)); }

} // namespace vesk_host
