#include "vesk/testing/fake_plant.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace vesk::testing {

namespace {

// A poll reports at most this many destinations, so a wild range stays cheap.
constexpr int mostPolled = 4096;

struct Shape {
    const char* letters;
    const char* arguments;  // 'n' a number, 't' a quoted text; upper case: optional
};
constexpr Shape shapes[] = {
    {"AS", ""}, {"SD", "t"}, {"XI", "tt"}, {"PS", "ttT"}, {"RC", "nnntn"}, {"RN", "nnn"},
    {"RP", "nnn"}, {"RR", "nnnT"}, {"RU", "n"}, {"TG", "ttt"}, {"TP", "ttt"}, {"ET", "nN"},
};

std::optional<int> number(const std::string& word)
{
    if (word.empty() || word.find_first_not_of("-0123456789") != std::string::npos)
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

// The arguments of `text` after its two letters: each after one blank, a
// text in apostrophes up to the apostrophe that ends the text or comes
// before a blank. Nothing when the text does not split so.
std::optional<std::vector<std::string>> splitArguments(const std::string& text, std::vector<bool>& quoted)
{
    std::vector<std::string> words;
    std::size_t at = 2;
    while (at < text.size()) {
        if (text[at] != ' ' || at + 1 >= text.size())
            return std::nullopt;
        ++at;
        if (text[at] == '\'') {
            std::size_t end = at + 1;
            while (end < text.size() && !(text[end] == '\'' && (end + 1 == text.size() || text[end + 1] == ' ')))
                ++end;
            if (end >= text.size())
                return std::nullopt;
            words.push_back(text.substr(at + 1, end - at - 1));
            quoted.push_back(true);
            at = end + 1;
        } else {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            words.push_back(text.substr(at, end - at));
            quoted.push_back(false);
            at = end;
        }
    }
    return words;
}

Answer problem(const std::string& command, const std::string& what)
{
    Answer answer;
    answer.problem = "\"" + command + "\": " + what;
    return answer;
}

Answer textAnswer(std::string text)
{
    Answer answer;
    answer.kind = Answer::Kind::text;
    answer.text = std::move(text);
    return answer;
}

} // namespace

std::string FakePlant::Router::sourceText(int source) const
{
    const auto named = names.find(source);
    return named != names.end() ? named->second : std::to_string(source);
}

FakePlant::Control* FakePlant::Panel::find(const std::string& id)
{
    for (Control& control : controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

const FakePlant::Control* FakePlant::Panel::find(const std::string& id) const
{
    return const_cast<Panel*>(this)->find(id);
}

FakePlant::Control& FakePlant::Panel::named(const std::string& id)
{
    if (Control* control = find(id))
        return *control;
    controls.push_back(Control{id, {}});
    return controls.back();
}

FakePlant& FakePlant::device(const std::string& instance, int number)
{
    devices_[instance] = number;
    return *this;
}

FakePlant& FakePlant::database(int device, int database, int entry, const std::string& text)
{
    databases_[std::to_string(device) + " " + std::to_string(database) + " " + std::to_string(entry)] = text;
    return *this;
}

FakePlant& FakePlant::router(int device, int destinations)
{
    Router& router = routers_[device];
    router.destinations = std::max(destinations, 0);
    router.crosspoints.assign(static_cast<std::size_t>(router.destinations), 0);
    return *this;
}

FakePlant& FakePlant::sourceName(int device, int source, const std::string& name)
{
    routers_[device].names[source] = name;
    return *this;
}

FakePlant& FakePlant::crosspoint(int device, int destination, int source)
{
    Router* router = findRouter(device);
    if (router && destination >= 0 && destination < router->destinations)
        router->crosspoints[static_cast<std::size_t>(destination)] = source;
    return *this;
}

FakePlant& FakePlant::property(const std::string& control, const std::string& property, const std::string& value,
                               const std::string& panel)
{
    panels_[panel].named(control).properties[property] = value;
    return *this;
}

FakePlant& FakePlant::reply(const std::string& command, std::optional<std::string> text)
{
    replies_[command] = std::move(text);
    return *this;
}

std::optional<std::string> FakePlant::propertyOf(const std::string& control, const std::string& property,
                                                 const std::string& panel) const
{
    const auto found = panels_.find(panel);
    if (found == panels_.end())
        return std::nullopt;
    const Control* held = found->second.find(control);
    if (!held)
        return std::nullopt;
    const auto value = held->properties.find(property);
    if (value == held->properties.end())
        return std::nullopt;
    return value->second;
}

int FakePlant::crosspointOf(int device, int destination) const
{
    const auto router = routers_.find(device);
    if (router == routers_.end() || destination < 0 || destination >= router->second.destinations)
        return -1;
    return router->second.crosspoints[static_cast<std::size_t>(destination)];
}

bool FakePlant::panelLoaded(const std::string& panel) const
{
    const auto found = panels_.find(panel);
    return found != panels_.end() && found->second.loaded;
}

bool FakePlant::registered(int device, int destination) const
{
    const auto router = routers_.find(device);
    if (router == routers_.end())
        return false;
    for (const auto& [first, last] : router->second.registrations)
        if (destination >= first && destination <= last)
            return true;
    return false;
}

FakePlant::Router* FakePlant::findRouter(int device)
{
    const auto found = routers_.find(device);
    return found == routers_.end() ? nullptr : &found->second;
}

Answer FakePlant::execute(const std::string& command, std::vector<PendingRevertive>& queue)
{
    const auto exact = replies_.find(command);
    if (exact != replies_.end()) {
        if (!exact->second) {
            Answer answer;
            answer.handBackNull = command.compare(0, 2, "RN") == 0;
            return answer;
        }
        return textAnswer(*exact->second);
    }
    const std::string letters = command.substr(0, 2);
    const Shape* shape = nullptr;
    for (const Shape& candidate : shapes)
        if (letters == candidate.letters)
            shape = &candidate;
    if (!shape)
        return problem(command, "no command of the host starts with \"" + letters + "\"");
    std::vector<bool> quoted;
    const auto words = splitArguments(command, quoted);
    const std::string form = shape->arguments;
    const std::size_t required = static_cast<std::size_t>(
        std::count_if(form.begin(), form.end(), [](char c) { return c == 'n' || c == 't'; }));
    if (!words || words->size() < required || words->size() > form.size())
        return problem(command, "not the form " + letters + " takes (each argument after one blank, texts in "
                                                            "apostrophes)");
    for (std::size_t i = 0; i < words->size(); ++i) {
        const bool text = form[i] == 't' || form[i] == 'T';
        if (text != quoted[i] || (!text && !number((*words)[i])))
            return problem(command, "argument " + std::to_string(i + 1) + " must be " +
                                        (text ? "a text in apostrophes" : "a plain decimal number"));
    }
    return runCommand(letters, *words, queue);
}

Answer FakePlant::runCommand(const std::string& letters, const std::vector<std::string>& words,
                             std::vector<PendingRevertive>& queue)
{
    const auto n = [&](std::size_t i) { return *number(words[i]); };
    Answer answer;
    if (letters == "SD") {
        const auto found = devices_.find(words[0]);
        if (found != devices_.end())
            return textAnswer(std::to_string(found->second));
    } else if (letters == "RN") {
        answer.handBackNull = true;
        const auto found = databases_.find(words[0] + " " + words[1] + " " + words[2]);
        if (found != databases_.end())
            return textAnswer(found->second);
    } else if (letters == "PS") {
        panels_[words[0]].loaded = true;
        answer.kind = Answer::Kind::word;
        answer.word = 1;
    } else if (letters == "XI") {
        std::string list;
        if (const auto panel = panels_.find(words[0]); panel != panels_.end())
            for (const Control& control : panel->second.controls)
                if (control.id.compare(0, words[1].size(), words[1]) == 0)
                    list += (list.empty() ? "" : ",") + control.id;
        // No match answers null: an empty text would read as one empty identifier.
        if (!list.empty())
            return textAnswer(list);
    } else if (letters == "TG") {
        const auto panel = panels_.find(words[0]);
        const Control* control = panel == panels_.end() ? nullptr : panel->second.find(words[1]);
        if (!control)
            return answer;
        if (words[2] == "all") {
            std::string all;
            for (const auto& [key, value] : control->properties)
                all += (all.empty() ? "" : "\n") + key + "=" + value;
            return textAnswer(all);
        }
        const auto value = control->properties.find(words[2]);
        return textAnswer(words[2] + "=" + (value == control->properties.end() ? "" : value->second));
    } else if (letters == "TP") {
        const std::size_t equals = words[0].find('=');
        if (equals != std::string::npos)
            panels_[words[1]].named(words[2]).properties[words[0].substr(0, equals)] = words[0].substr(equals + 1);
    } else if (letters == "RC") {
        Router* router = findRouter(n(0));
        const int destination = n(2);
        if (router && destination >= 0 && destination < router->destinations) {
            router->crosspoints[static_cast<std::size_t>(destination)] = n(1);
            if (registered(n(0), destination))
                queue.push_back(PendingRevertive{n(0), destination, router->sourceText(n(1))});
        }
    } else if (letters == "RP") {
        if (const Router* router = findRouter(n(0))) {
            const int first = std::max(n(1), 0);
            const int last = std::min({n(2), router->destinations - 1, first + mostPolled - 1});
            for (int destination = first; destination <= last; ++destination)
                queue.push_back(PendingRevertive{
                    n(0), destination, router->sourceText(router->crosspoints[static_cast<std::size_t>(destination)])});
        }
    } else if (letters == "RR") {
        if (words.size() == 4 && words[3] != "ADD")
            return problem("RR " + words[0] + " " + words[1] + " " + words[2] + " '" + words[3] + "'",
                           "the fourth argument of RR can only be 'ADD'");
        if (Router* router = findRouter(n(0))) {
            if (words.size() < 4)
                router->registrations.clear();
            router->registrations.emplace_back(n(1), n(2));
        }
    } else if (letters == "RU") {
        if (Router* router = findRouter(n(0)))
            router->registrations.clear();
    } else if (letters == "ET") {
        if (words.size() == 2 && n(1) != 0)
            timers_[n(0)] = n(1);
        else
            timers_.erase(n(0));
    }
    return answer;
}

} // namespace vesk::testing
