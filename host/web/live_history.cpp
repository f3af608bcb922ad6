#include "web/live_history.h"

#include "web/state_snapshot.h"

namespace vesk_host::web {

std::string expectationFailure(const Json& entry)
{
    auto text = [&entry](const char* key) {
        const auto found = entry.find(key);
        return found == entry.end() ? std::string() : found->is_string() ? found->get<std::string>() : found->dump();
    };
    return text("step") + ": expected " + text("expected") + ", actual " + text("actual");
}

std::string failureOf(const Json& lines)
{
    for (const Json& line : lines)
        if (line["e"].value("kind", "") == "expect" && !line["e"].value("ok", true))
            return expectationFailure(line["e"]);
    return {};
}

Json LiveHistory::keep(const std::vector<Json>& entries, std::uint64_t action)
{
    Json kept = Json::array();
    for (const Json& entry : entries) {
        Json line = {{"n", ++count_}, {"a", action}, {"e", entry}};
        const std::string kind = entry.value("kind", "");
        if (kind == "expect" && !entry.value("ok", true)) {
            ++failedExpectations_;
            addEvent("expectation", expectationFailure(entry));
        } else if (kind == "finding" && entry.contains("rule") && entry["rule"].is_string() &&
                   !ruleLines_.contains(entry["rule"].get<std::string>())) {
            ruleLines_[entry["rule"].get<std::string>()] = count_;
        }
        bytes_ += line.dump().size();
        lines_.push_back(line);
        kept.push_back(std::move(line));
    }
    // The newest line is always kept, whatever its size.
    while (lines_.size() > 1 && (lines_.size() > maxLines || bytes_ > maxBytes)) {
        bytes_ -= lines_.front().dump().size();
        lines_.pop_front();
    }
    return kept;
}

void LiveHistory::processEnded(const std::string& kind, const std::string& text) { addEvent(kind, text); }

void LiveHistory::addEvent(const std::string& kind, const std::string& text)
{
    events_.push_back(Json{{"kind", kind}, {"text", shownText(text)}, {"line", count_}});
    while (events_.size() > maxEvents)
        events_.pop_front();
}

Json LiveHistory::lines() const
{
    Json all = Json::array();
    for (const Json& line : lines_)
        all.push_back(line);
    return all;
}

Json LiveHistory::lastEntries(std::size_t count) const
{
    Json last = Json::array();
    const std::size_t from = lines_.size() > count ? lines_.size() - count : 0;
    for (std::size_t i = from; i < lines_.size(); ++i)
        last.push_back(lines_[i]["e"]);
    return last;
}

Json LiveHistory::events() const
{
    Json all = Json::array();
    for (const Json& event : events_)
        all.push_back(event);
    return all;
}

} // namespace vesk_host::web
