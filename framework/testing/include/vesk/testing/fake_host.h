// vesk::testing::FakeHost: a host for a script's own unit tests. It loads
// the script into the test's process (its built library, or an export
// function linked into the test), delivers events to it, answers its
// commands from a FakePlant, records every command, and checks the
// interface's hand-back rules as it goes:
//
//   - a text reply ("SD", "XI", "RN", "TG") comes back with code 5 exactly
//     once, and by the end of the action that caused it;
//   - a null reply to "RN" is handed back too (code 5 with null);
//   - code 5 never carries a pointer this host did not hand out;
//   - nothing is sent after "AS", and no command is malformed.
//
// Each break is one line in violations(). Every delivery is one action:
// commands() holds what the last one made the script send, revertives the
// action caused included (they are delivered once the call that caused them
// has returned, as the host does). Not thread-safe; the test's thread only.
#ifndef VESK_TESTING_FAKE_HOST_H
#define VESK_TESTING_FAKE_HOST_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vesk/testing/fake_plant.h"
#include "vesk_client_callback.h"

namespace vesk::testing {

class FakeHost final : public vesk_client_callback {
public:
    FakeHost();
    // Ends a script that still runs (its destructor's commands are checked too).
    ~FakeHost() override;
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // What the host answers from; set it up before start().
    FakePlant& plant() { return plant_; }
    const FakePlant& plant() const { return plant_; }

    // Starts the script: the export of the library at `library`, loaded
    // into this process and kept loaded until the process ends, called with
    // this host and `folder` (the text the script puts in front of its panel
    // file names). False, with a violation, when the library cannot be
    // loaded, lacks the export or the export returns null.
    bool load(const std::string& library, const std::string& folder = "");
    // The same with an export function linked into the test.
    bool start(vesk_load_function entry, const std::string& folder = "");
    bool running() const { return script_ != nullptr; }
    // Destroys the script through its virtual destructor, as the host ends it.
    void shutdown();

    // Actions. Each needs a running script (else it is a violation).
    void press(const std::string& control, const std::string& event, const std::string& panel = "1");  // code 2
    void revertive(int device, int index, const std::string& text);                                    // code 1
    // Code 3; the answer is copied and handed back to the script with code 5.
    // Nothing when the script answered null.
    std::optional<std::string> query(const std::string& text);
    void tick(int id);  // code 4
    // Moves the clock on by `milliseconds` and ticks every timer that falls
    // due, in time order (each tick one action, their commands gathered).
    void advance(std::int64_t milliseconds);

    // The commands the last action made the script send, in order.
    const std::vector<std::string>& commands() const { return commands_; }
    // Every command since the start, start-up and shutdown included.
    const std::vector<std::string>& allCommands() const { return all_; }
    // Every rule the script broke, one line each, with the action it broke it in.
    const std::vector<std::string>& violations() const { return violations_; }
    std::int64_t now() const { return now_; }

    void* callback(void* data, int code) override;

private:
    struct Handed {
        std::string command;
        std::unique_ptr<char[]> text;
        bool returned = false;
        bool reported = false;  // said once as not handed back
    };
    void begin(const std::string& action);
    void end();
    bool needsScript(const std::string& action);
    void violation(const std::string& what);
    void* command(const char* text);
    void release(void* data);

    FakePlant plant_;
    vesk_client_callback* script_ = nullptr;
    std::string action_;
    std::vector<std::string> commands_;
    std::vector<std::string> all_;
    std::vector<std::string> violations_;
    std::vector<Handed> handed_;
    std::vector<PendingRevertive> queue_;
    std::vector<std::string> nullsOwed_;  // "RN" commands whose null reply is still to come back
    std::int64_t now_ = 0;
    std::map<int, std::int64_t> due_;  // timer id -> when it next ticks
    bool ended_ = false;  // "AS" was sent
    int depth_ = 0;       // calls into the script in progress
};

} // namespace vesk::testing

#endif
