// The randomised soak: session steps drawn from a seed, chosen from what
// the emulator has at each moment (loaded panels and their controls,
// routers, timers), with made-up event texts, revertive texts and queries,
// and now and then a change in how commands are answered. The same seed
// gives the same steps on every machine; each step is a line of a session
// file, so a failing soak replays in "vesk_host run".
#ifndef VESK_HOST_SOAK_STEPS_H
#define VESK_HOST_SOAK_STEPS_H

#include <cstdint>
#include <string>

#include "emulator/emulator.h"
#include "session/session_steps.h"

namespace vesk_host {

// splitmix64: small, fast and the same everywhere, unlike the standard
// library's distributions.
class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // 0 .. bound-1 (bound above 0).
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    // from .. to, both included.
    std::int64_t between(std::int64_t from, std::int64_t to);

private:
    std::uint64_t state_;
};

class SoakSteps {
public:
    explicit SoakSteps(std::uint64_t seed) : random_(seed) {}
    // The next step as a session line; `panel` is the panel "press"
    // addresses now, and changes with a "panel" step.
    std::string next(const Emulator& emulator, std::string& panel);

private:
    StepAction action(const Emulator& emulator, std::string& panel);
    std::string text();
    StepAction press(const Emulator& emulator, std::string& panel);
    StepAction revertive(const Emulator& emulator);
    StepAction query();
    StepAction routerStep(const Emulator& emulator);

    SeededRandom random_;
};
} // namespace vesk_host

#endif
