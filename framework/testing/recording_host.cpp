#include "recording_host.h"

#include <cstring>

RecordingHost::~RecordingHost() = default;

void RecordingHost::reply(const std::string& text, const char* answer)
{
    exact_[text] = Rule{true, answer ? std::optional<std::string>(answer) : std::nullopt, 0};
}

void RecordingHost::replyPrefix(const std::string& prefix, const char* answer)
{
    prefixes_.emplace_back(prefix, Rule{true, answer ? std::optional<std::string>(answer) : std::nullopt, 0});
}

void RecordingHost::status(const std::string& text, std::intptr_t word) { exact_[text] = Rule{false, std::nullopt, word}; }

const RecordingHost::Rule* RecordingHost::find(const std::string& command) const
{
    auto exact = exact_.find(command);
    if (exact != exact_.end())
        return &exact->second;
    for (const auto& [prefix, rule] : prefixes_)
        if (command.compare(0, prefix.size(), prefix) == 0)
            return &rule;
    return nullptr;
}

void RecordingHost::release(void* data)
{
    if (!data) {
        log.push_back("release null");
        return;
    }
    for (auto& handed : handed_) {
        if (handed.text.get() != data)
            continue;
        log.push_back("release " + std::string(handed.text.get()));
        if (handed.returned)
            violations.push_back("reply to \"" + handed.command + "\" handed back twice");
        handed.returned = true;
        return;
    }
    log.push_back("release <foreign>");
    violations.push_back("code 5 with a pointer this host never handed out");
}

void* RecordingHost::callback(void* data, int code)
{
    if (code == VESK_CODE_RELEASE) {
        release(data);
        return nullptr;
    }
    if (code != VESK_CODE_COMMAND) {
        log.push_back("code " + std::to_string(code));
        return nullptr;
    }
    std::string command = data ? static_cast<const char*>(data) : "<null command>";
    log.push_back(command);
    const Rule* rule = find(command);
    if (!rule)
        return nullptr;
    if (!rule->isText)
        return reinterpret_cast<void*>(rule->word);
    if (!rule->text)
        return nullptr;
    // Kept until the host ends, so that every reply has its own address.
    auto text = std::make_unique<char[]>(rule->text->size() + 1);
    std::memcpy(text.get(), rule->text->c_str(), rule->text->size() + 1);
    char* given = text.get();
    handed_.push_back(Handed{command, std::move(text), false});
    return given;
}

std::vector<std::string> RecordingHost::commands() const
{
    std::vector<std::string> result;
    for (const auto& entry : log)
        if (entry.rfind("release ", 0) != 0 && entry.rfind("code ", 0) != 0)
            result.push_back(entry);
    return result;
}

std::vector<std::string> RecordingHost::unreturned() const
{
    std::vector<std::string> result;
    for (const auto& handed : handed_)
        if (!handed.returned)
            result.push_back(handed.command);
    return result;
}
