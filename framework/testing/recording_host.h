// RecordingHost: a host for tests. It records every call a script makes,
// answers commands from a table, and keeps the release rule: each text
// reply it hands out must come back with code 5 exactly once, and nothing
// else may come back.
#ifndef VESK_TEST_RECORDING_HOST_H
#define VESK_TEST_RECORDING_HOST_H

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vesk_client_callback.h"

class RecordingHost : public vesk_client_callback {
public:
    ~RecordingHost() override;

    // Answer the command `text` (exactly) with a copy of `reply`; a null
    // `reply` answers null.
    void reply(const std::string& text, const char* reply);
    // Answer every command that starts with `prefix` (when no exact rule fits).
    void replyPrefix(const std::string& prefix, const char* reply);
    // Answer `text` with a status word that is not a text (for "PS").
    void status(const std::string& text, std::intptr_t word);

    void* callback(void* data, int code) override;

    // Every call in order: a command as its text; a release as
    // "release <text>" or "release null"; any other code as "code N".
    std::vector<std::string> log;
    // Release-rule breaks, one line each.
    std::vector<std::string> violations;

    // Only the command texts, in order.
    std::vector<std::string> commands() const;
    // Commands whose text reply has not come back yet.
    std::vector<std::string> unreturned() const;
    void clear() { log.clear(); }

private:
    struct Rule {
        bool isText;
        std::optional<std::string> text;
        std::intptr_t word;
    };
    struct Handed {
        std::string command;
        std::unique_ptr<char[]> text;
        bool returned;
    };
    const Rule* find(const std::string& command) const;
    void release(void* data);

    std::map<std::string, Rule> exact_;
    std::vector<std::pair<std::string, Rule>> prefixes_;
    std::vector<Handed> handed_;
};

#endif
