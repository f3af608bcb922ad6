// vesk::testing::FakePlant: what a FakeHost answers a script's commands
// from. A small model of the host's side, not the emulator's: devices by
// instance name, database entries, routers with named sources, crosspoints
// and revertive registrations, panels with their controls' properties, and
// timers. A reply set with reply() for an exact command text comes before
// all of that. Not thread-safe; used from the test's thread only.
#ifndef VESK_TESTING_FAKE_PLANT_H
#define VESK_TESTING_FAKE_PLANT_H

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk::testing {

// A revertive the host owes the script: delivered with code 1 once the
// call that caused it has returned.
struct PendingRevertive {
    int device;
    int index;
    std::string text;
};

// How the host answers one command.
struct Answer {
    enum class Kind { text, null, word };
    Kind kind = Kind::null;
    std::string text;        // Kind::text: the reply text, which the script must hand back with code 5
    std::intptr_t word = 0;  // Kind::word: a status word ("PS"), never handed back
    bool handBackNull = false;  // a null the script must still hand back ("RN")
    std::string problem;     // a malformed or unknown command, said as a rule break
};

class FakePlant {
public:
    // Setting up. Numbers and names are taken as given; a later call for
    // the same key replaces the earlier one.
    FakePlant& device(const std::string& instance, int number);
    FakePlant& database(int device, int database, int entry, const std::string& text);
    // A router of `destinations` destinations (0 .. destinations-1), every
    // crosspoint at source 0; "RP" reports each polled destination.
    FakePlant& router(int device, int destinations);
    FakePlant& sourceName(int device, int source, const std::string& name);
    FakePlant& crosspoint(int device, int destination, int source);
    // A control of `panel` with one property; "XI" lists a panel's controls
    // in the order they were first named here or by "TP".
    FakePlant& property(const std::string& control, const std::string& property, const std::string& value,
                        const std::string& panel = "1");
    // The reply to exactly `command`, before anything else: a text, or null.
    FakePlant& reply(const std::string& command, std::optional<std::string> text);

    // Reading back what the script changed.
    std::optional<std::string> propertyOf(const std::string& control, const std::string& property,
                                          const std::string& panel = "1") const;
    int crosspointOf(int device, int destination) const;  // -1 when there is no such router or destination
    bool panelLoaded(const std::string& panel) const;
    bool registered(int device, int destination) const;
    // Timer ids with their intervals, as "ET" left them.
    const std::map<int, int>& timers() const { return timers_; }

    // Carries out one command text; revertives it causes are appended to `queue`.
    Answer execute(const std::string& command, std::vector<PendingRevertive>& queue);

private:
    struct Router {
        int destinations = 0;
        std::vector<int> crosspoints;
        std::map<int, std::string> names;
        std::vector<std::pair<int, int>> registrations;  // first, last
        std::string sourceText(int source) const;
    };
    struct Control {
        std::string id;
        std::map<std::string, std::string> properties;
    };
    struct Panel {
        bool loaded = false;
        std::vector<Control> controls;
        Control* find(const std::string& id);
        const Control* find(const std::string& id) const;
        Control& named(const std::string& id);
    };

    Answer runCommand(const std::string& letters, const std::vector<std::string>& words,
                      std::vector<PendingRevertive>& queue);
    Router* findRouter(int device);

    std::map<std::string, std::optional<std::string>> replies_;
    std::map<std::string, int> devices_;
    std::map<std::string, std::string> databases_;  // "device database entry" -> text
    std::map<int, Router> routers_;
    std::map<std::string, Panel> panels_;
    std::map<int, int> timers_;
};

} // namespace vesk::testing

#endif
