#include "session/session_steps.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <type_traits>

#include "base/text_util.h"

namespace vesk_host {

namespace {

struct Word {
    std::string text;
    bool quoted = false;
};
using Words = std::vector<Word>;

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Blank-separated words; double quotes group, with \" \\ \n \t inside.
Result<Words> splitWords(std::string_view line)
{
    Words words;
    words.reserve(6);
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (blank(c)) {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Word word;
        if (c != '"') {
            const std::size_t start = i;
            for (; i < line.size() && !blank(line[i]); ++i)
                if (line[i] == '"')
                    return fail("a double quote inside a word; quote the whole word");
            word.text.assign(line.substr(start, i - start));
            words.push_back(std::move(word));
            continue;
        }
        word.quoted = true;
        ++i;
        bool closed = false;
        while (i < line.size()) {
            const char d = line[i++];
            if (d == '"') {
                closed = true;
                break;
            }
            if (d != '\\') {
                word.text += d;
                continue;
            }
            if (i == line.size())
                break;
            const char escaped = line[i++];
            switch (escaped) {
            case 'n': word.text += '\n'; break;
            case 't': word.text += '\t'; break;
            case '"':
            case '\\': word.text += escaped; break;
            default: return fail("unknown escape \\" + std::string(1, escaped) + " in a quoted word");
            }
        }
        if (!closed)
            return fail("a quoted word is not closed");
        if (i < line.size() && !blank(line[i]))
            return fail("a quoted word must be followed by a blank");
        words.push_back(std::move(word));
    }
    return words;
}

std::string canonical(const Words& words)
{
    std::string text;
    std::size_t size = 0;
    for (const auto& word : words)
        size += word.text.size() + 1;
    text.reserve(size);
    for (const auto& word : words) {
        if (!text.empty())
            text += ' ';
        if (!word.quoted && !word.text.empty())
            text += word.text;
        else
            text += quoteText(word.text);
    }
    return text;
}

Result<std::int32_t> number(const Word& word, const char* what)
{
    const auto value = parseInt32(word.text);
    if (!value)
        return fail(std::string(what) + " " + int32Problem(word.text) + ", not " + quoteText(word.text));
    return *value;
}

Result<std::int32_t> deviceNumber(const Word& word, const Plant& plant)
{
    if (const auto value = parseInt32(word.text))
        return *value;
    const Device* device = plant.deviceByName(word.text);
    if (!device && int32Problem(word.text) != "must be a whole number")
        return fail("the device number " + quoteText(word.text) + " " + int32Problem(word.text));
    if (!device)
        return fail("the plant has no device named " + quoteText(word.text));
    return device->number;
}

Result<const Router*> router(const Word& word, const Plant& plant)
{
    auto device = deviceNumber(word, plant);
    if (!device)
        return device.error();
    const Router* found = plant.router(*device);
    if (!found)
        return fail(quoteText(word.text) + " is not a router of the plant");
    return found;
}

// The readers get the words of a line whose count fits their row.
using Reader = Result<StepAction> (*)(const Words& words, const Plant& plant);

Result<StepAction> readPress(const Words& words, const Plant&)
{
    return StepAction{step::Press{words[1].text, words.size() > 2 ? words[2].text : std::string()}};
}

Result<StepAction> readPanel(const Words& words, const Plant&) { return StepAction{step::Panel{words[1].text}}; }

Result<StepAction> readEvent(const Words& words, const Plant&)
{
    return StepAction{step::Event{words[1].text, words[2].text, words.size() > 3 ? words[3].text : std::string()}};
}

Result<StepAction> readSoak(const Words& words, const Plant&)
{
    const auto steps = parseInt64(words[1].text);
    if (!steps || *steps < 0 || *steps > mostSoakSteps)
        return fail("soak takes a number of steps from 0 to " + std::to_string(mostSoakSteps) + ", not " +
                    quoteText(words[1].text));
    std::uint64_t seed = 1;
    if (words.size() > 2) {
        const auto given = parseInt64(words[2].text);
        if (!given || *given < 0)
            return fail("the soak's seed is a whole number from 0, not " + quoteText(words[2].text));
        seed = static_cast<std::uint64_t>(*given);
    }
    return StepAction{step::Soak{*steps, seed}};
}

Result<StepAction> readAdvance(const Words& words, const Plant&)
{
    std::string amount = words[1].text;
    if (amount.size() > 2 && amount.compare(amount.size() - 2, 2, "ms") == 0)
        amount.resize(amount.size() - 2);
    const auto value = parseInt64(amount);
    // A day of virtual time at most: larger steps are typing mistakes.
    if (!value || *value < 0 || *value > 86400000)
        return fail("advance takes milliseconds from 0 to 86400000, not " + quoteText(words[1].text));
    return StepAction{step::Advance{*value}};
}

Result<StepAction> readQuery(const Words& words, const Plant&)
{
    return StepAction{step::Query{words.size() > 1 ? std::optional<std::string>(words[1].text) : std::nullopt}};
}

Result<StepAction> readRevertive(const Words& words, const Plant& plant)
{
    auto device = deviceNumber(words[1], plant);
    if (!device)
        return device.error();
    auto index = number(words[2], "the index");
    if (!index)
        return index.error();
    return StepAction{step::Revertive{*device, *index, words[3].text}};
}

Result<StepAction> readRoute(const Words& words, const Plant& plant)
{
    auto found = router(words[1], plant);
    if (!found)
        return found.error();
    auto source = number(words[2], "the source");
    if (!source)
        return source.error();
    auto destination = number(words[3], "the destination");
    if (!destination)
        return destination.error();
    const Router& routerFound = **found;
    if (!routerFound.hasSource(*source) || !routerFound.hasDestination(*destination))
        return fail(quoteText(words[1].text) + " has sources 0.." + std::to_string(routerFound.sources - 1) +
                    " and destinations 0.." + std::to_string(routerFound.destinations - 1));
    return StepAction{step::Route{routerFound.device, *source, *destination}};
}

Result<StepAction> readPoll(const Words& words, const Plant& plant)
{
    auto found = router(words[1], plant);
    if (!found)
        return found.error();
    auto first = number(words[2], "the first destination");
    if (!first)
        return first.error();
    std::int32_t last = *first;
    if (words.size() > 3) {
        auto given = number(words[3], "the last destination");
        if (!given)
            return given.error();
        last = *given;
    }
    return StepAction{step::Poll{(*found)->device, *first, last}};
}

Result<StepAction> readTick(const Words& words, const Plant&)
{
    auto id = number(words[1], "the timer id");
    if (!id)
        return id.error();
    return StepAction{step::Tick{*id}};
}

Result<StepAction> readReplies(const Words& words, const Plant&)
{
    const auto mode = replyModeNamed(words[1].text);
    if (!mode)
        return fail("replies takes " + replyModeList(", ", " or ") + ", not " + quoteText(words[1].text));
    return StepAction{step::Replies{*mode}};
}

Result<StepAction> readShowPanel(const Words& words, const Plant&)
{
    return StepAction{step::Show{step::Show::What::panel, words.size() > 2 ? words[2].text : std::string()}};
}

Result<StepAction> readShowRoutes(const Words&, const Plant&) { return StepAction{step::Show{step::Show::What::routes, {}}}; }

Result<StepAction> readShowTimers(const Words&, const Plant&) { return StepAction{step::Show{step::Show::What::timers, {}}}; }

Result<StepAction> readExpectCommand(const Words& words, const Plant&)
{
    return StepAction{step::ExpectCommand{words[2].text}};
}

Result<StepAction> readExpectNoMore(const Words&, const Plant&) { return StepAction{step::ExpectNoMoreCommands{}}; }

Result<StepAction> readExpectProperty(const Words& words, const Plant&)
{
    return StepAction{step::ExpectProperty{words[2].text, words[3].text, words[4].text}};
}

// TEXT, or the bare word null for nothing.
std::optional<std::string> textOrNull(const Word& word)
{
    const bool null = !word.quoted && word.text == "null";
    return null ? std::nullopt : std::optional<std::string>(word.text);
}

Result<StepAction> readExpectAnswer(const Words& words, const Plant&)
{
    return StepAction{step::ExpectAnswer{textOrNull(words[2])}};
}

Result<StepAction> readExpectHandedBack(const Words& words, const Plant&)
{
    return StepAction{step::ExpectHandedBack{textOrNull(words[2])}};
}

Result<StepAction> readShutdown(const Words&, const Plant&) { return StepAction{step::Shutdown{}}; }
Result<StepAction> readQuit(const Words&, const Plant&) { return StepAction{step::Quit{}}; }
Result<StepAction> readHelp(const Words&, const Plant&) { return StepAction{step::Help{}}; }

// The position of `Action` in StepAction.
template <class Action, std::size_t index = 0> constexpr std::size_t actionIndex()
{
    static_assert(index < std::variant_size_v<StepAction>, "not a step action");
    if constexpr (std::is_same_v<Action, std::variant_alternative_t<index, StepAction>>)
        return index;
    else
        return actionIndex<Action, index + 1>();
}

template <step::Show::What what> bool shows(const StepAction& action)
{
    return std::get<step::Show>(action).what == what;
}

struct StepRow {
    const char* keyword;
    const char* second;  // the second keyword ("show panel"), or null
    std::size_t fewest;  // words in all, keywords included
    std::size_t most;
    std::string form;
    const char* description;
    Reader read;
    std::size_t action;  // the StepAction alternative the row reads
    // Which actions of that alternative the row reads, when several rows read one (null: all).
    bool (*reads)(const StepAction& action) = nullptr;
    // Whether the step addresses one position's script (and so may name it
    // with @NAME); the others act on the shared plant and clock, or on the run.
    bool addressed = true;
};

const std::vector<StepRow>& stepRows()
{
    static const std::vector<StepRow> rows = {
        {"press", nullptr, 2, 3, "press CONTROL [EVENT]",
         "a control event on the current panel, such as `press Sources index=3`", readPress,
         actionIndex<step::Press>()},
        {"panel", nullptr, 2, 2, "panel ID",
         "the panel that `press`, `show panel` and `expect property` address (default `1`)", readPanel,
         actionIndex<step::Panel>()},
        {"event", nullptr, 3, 4, "event PANEL CONTROL [EVENT]",
         "a control event on any panel id, loaded or not (a script must ignore panels it did not load)", readEvent,
         actionIndex<step::Event>()},
        {"advance", nullptr, 2, 2, "advance MS",
         "move the virtual clock (`250` or `250ms`, at most a day); due timers tick in order", readAdvance,
         actionIndex<step::Advance>(), nullptr, false},
        {"query", nullptr, 1, 2, "query [TEXT]", "a parent query, such as `query _events`; without TEXT a null query",
         readQuery, actionIndex<step::Query>()},
        {"revertive", nullptr, 4, 4, "revertive DEVICE INDEX TEXT", "deliver a revertive from any device",
         readRevertive, actionIndex<step::Revertive>()},
        {"route", nullptr, 4, 4, "route ROUTER SOURCE DESTINATION", "a take made outside the script (another panel)",
         readRoute, actionIndex<step::Route>(), nullptr, false},
        {"poll", nullptr, 3, 4, "poll ROUTER FIRST [LAST]", "revertives for those destinations, registered or not",
         readPoll, actionIndex<step::Poll>()},
        {"tick", nullptr, 2, 2, "tick ID", "a tick (code 4) of timer ID now, whether the script started it or not",
         readTick, actionIndex<step::Tick>()},
        {"replies", nullptr, 2, 2, "replies " + replyModeList("|", "|"),
         "how every command is answered from now on (`plant`: as the plant says, the default)", readReplies,
         actionIndex<step::Replies>()},
        {"show", "panel", 2, 3, "show panel [ID]",
         "a table of the panel's controls and properties (every loaded panel without ID)", readShowPanel,
         actionIndex<step::Show>(), shows<step::Show::What::panel>},
        {"show", "routes", 2, 2, "show routes", "the routers' crosspoints and registrations", readShowRoutes,
         actionIndex<step::Show>(), shows<step::Show::What::routes>, false},
        {"show", "timers", 2, 2, "show timers", "the clock and the running timers", readShowTimers,
         actionIndex<step::Show>(), shows<step::Show::What::timers>, false},
        {"expect", "command", 3, 3, "expect command TEXT",
         "the next command (in order) that the last action made the script send", readExpectCommand,
         actionIndex<step::ExpectCommand>()},
        {"expect", "no-more-commands", 2, 2, "expect no-more-commands", "the last action sent nothing more",
         readExpectNoMore, actionIndex<step::ExpectNoMoreCommands>()},
        {"expect", "property", 5, 5, "expect property CONTROL PROPERTY VALUE", "a property of the current panel",
         readExpectProperty, actionIndex<step::ExpectProperty>()},
        {"expect", "answer", 3, 3, "expect answer TEXT|null", "the answer to the last query", readExpectAnswer,
         actionIndex<step::ExpectAnswer>()},
        {"expect", "handed-back", 3, 3, "expect handed-back TEXT|null",
         "the next reply (in order) that the script handed back with code 5 during the last action",
         readExpectHandedBack, actionIndex<step::ExpectHandedBack>()},
        {"soak", nullptr, 2, 3, "soak STEPS [SEED]",
         "a long random run of STEPS steps drawn from SEED (default 1): presses, revertives, queries, ticks, takes, "
         "polls and reply modes, as the validator's soak",
         readSoak, actionIndex<step::Soak>(), nullptr, false},
        {"shutdown", nullptr, 1, 1, "shutdown",
         "end the script now (its destructor runs); later steps may still expect its commands", readShutdown,
         actionIndex<step::Shutdown>()},
        {"quit", nullptr, 1, 1, "quit", "stop; the script is ended if it still runs", readQuit,
         actionIndex<step::Quit>(), nullptr, false},
        {"help", nullptr, 1, 1, "help", "list the steps", readHelp, actionIndex<step::Help>(), nullptr, false},
    };
    return rows;
}

} // namespace

std::string stepKeywords(const StepAction& action)
{
    for (const StepRow& row : stepRows())
        if (row.action == action.index() && (!row.reads || row.reads(action)))
            return row.second ? std::string(row.keyword) + " " + row.second : std::string(row.keyword);
    throw std::logic_error("a step action without a row in the step table");
}

namespace {

// "show panel [ID], show routes or show timers": the forms of a keyword's rows.
std::string formsOf(const std::string& keyword, const char* separator, const char* last)
{
    std::vector<std::string> forms;
    for (const StepRow& row : stepRows())
        if (keyword == row.keyword)
            forms.push_back(row.form);
    std::string text;
    for (std::size_t i = 0; i < forms.size(); ++i)
        text += (i == 0 ? "" : i + 1 == forms.size() ? last : separator) + forms[i];
    return text;
}

std::string keywordList()
{
    std::string list;
    for (const StepRow& row : stepRows()) {
        if (std::string(row.keyword) == "help" || list.find(std::string(row.keyword) + ",") != std::string::npos)
            continue;
        list += std::string(list.empty() ? "" : " ") + row.keyword + ",";
    }
    list.pop_back();
    return list;
}

// Takes "@NAME" out of the words, before a step or right after "expect"
// ("@B press ...", "expect @B command ..."): the position the step
// addresses; empty when none is named.
Result<std::string> takePosition(Words& words)
{
    const auto named = [](const Word& word) { return !word.quoted && !word.text.empty() && word.text[0] == '@'; };
    std::size_t at = words.size();
    if (named(words[0]))
        at = 0;
    else if (words.size() > 1 && words[0].text == "expect" && !words[0].quoted && named(words[1]))
        at = 1;
    if (at == words.size())
        return std::string();
    std::string name = words[at].text.substr(1);
    if (name.empty())
        return fail("\"@\" must be followed by the name of a position, such as @A");
    words.erase(words.begin() + static_cast<std::ptrdiff_t>(at));
    if (words.empty())
        return fail("@" + name + " must be followed by a step");
    for (const Word& word : words)
        if (named(word))
            return fail("a step names one position, not " + quoteText(word.text) + " too");
    return name;
}

Result<StepAction> readStep(const Words& words, const Plant& plant, bool positioned = false)
{
    const std::string& keyword = words[0].text;
    const StepRow* chosen = nullptr;
    bool keywordKnown = false;
    for (const StepRow& row : stepRows()) {
        if (keyword != row.keyword)
            continue;
        keywordKnown = true;
        if (!row.second || (words.size() > 1 && words[1].text == row.second)) {
            chosen = &row;
            break;
        }
    }
    if (!keywordKnown)
        return fail("unknown step " + quoteText(keyword) + " (" + keywordList() + ")");
    if (!chosen) {
        if (words.size() == 1)
            return fail("expected: " + formsOf(keyword, " | ", " | "));
        if (keyword == "expect")
            return fail("unknown expectation " + quoteText(words[1].text) + " (" + formsOf(keyword, " | ", " | ") + ")");
        return fail(formsOf(keyword, ", ", " or ") + ", not " +
                    (words.size() > 1 ? quoteText(words[1].text) : std::string("nothing")));
    }
    if (words.size() > chosen->most && chosen->second && chosen->most == 2)
        return fail(std::string(chosen->keyword) + " " + chosen->second + " takes nothing more");
    if (words.size() < chosen->fewest || words.size() > chosen->most)
        return fail(std::string("expected: ") + chosen->form);
    if (positioned && !chosen->addressed)
        return fail(std::string(chosen->keyword) + (chosen->second ? std::string(" ") + chosen->second : "") +
                    " acts on the whole studio and takes no @position");
    return chosen->read(words, plant);
}

std::string_view withoutByteOrderMark(std::string_view text)
{
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

} // namespace

Result<std::optional<Step>> parseStep(std::string_view line, int lineNumber, const Plant& plant)
{
    auto words = splitWords(line);
    if (!words)
        return words.error();
    if (words->empty())
        return std::optional<Step>();
    std::string source = canonical(*words);
    auto position = takePosition(*words);
    if (!position)
        return position.error();
    auto action = readStep(*words, plant, !position->empty());
    if (!action)
        return action.error();
    return std::optional<Step>(Step{lineNumber, std::move(source), std::move(*action), std::move(*position)});
}

namespace {

// Hands each line (a byte-order mark at the start skipped) and its number
// to `take`, which answers an error, or whether to go on.
template <class Take> Status eachLine(std::istream& lines, const std::string& name, Take take)
{
    std::string line;
    for (int lineNumber = 1; std::getline(lines, line); ++lineNumber) {
        const Result<bool> more =
            take(lineNumber == 1 ? withoutByteOrderMark(line) : std::string_view(line), lineNumber);
        if (!more)
            return placed(name + ":" + std::to_string(lineNumber), more.error());
        if (!*more)
            break;
    }
    return Done{};
}

} // namespace

Status forEachStep(std::istream& lines, const std::string& name, const Plant& plant,
                   const std::function<bool(const Step& step)>& visit)
{
    return eachLine(lines, name, [&](std::string_view line, int lineNumber) -> Result<bool> {
        auto parsed = parseStep(line, lineNumber, plant);
        if (!parsed)
            return parsed.error();
        return !*parsed || visit(**parsed);
    });
}

std::string noPosition(const std::string& name, const std::vector<std::string>& positions)
{
    std::string list;
    for (const auto& position : positions)
        if (!position.empty())
            list += (list.empty() ? "" : ", ") + ("@" + position);
    return list.empty() ? "@" + name + " names a position, but this run has one script and no positions"
                        : "the studio has no position @" + name + " (" + list + ")";
}

Status checkSteps(std::istream& lines, const std::string& name, const Plant& plant,
                  const std::vector<std::string>* positions)
{
    // The words and the step's reading only: no step is made.
    return eachLine(lines, name, [&](std::string_view line, int) -> Result<bool> {
        auto words = splitWords(line);
        if (!words)
            return words.error();
        if (words->empty())
            return true;
        auto position = takePosition(*words);
        if (!position)
            return position.error();
        if (!position->empty() && positions &&
            std::find(positions->begin(), positions->end(), *position) == positions->end())
            return fail(noPosition(*position, *positions));
        if (auto action = readStep(*words, plant, !position->empty()); !action)
            return action.error();
        return true;
    });
}

Result<std::vector<Step>> parseSession(std::string_view text, const std::string& name, const Plant& plant)
{
    std::istringstream lines{std::string(text)};
    std::vector<Step> steps;
    const Status read = forEachStep(lines, name, plant, [&](const Step& step) {
        steps.push_back(step);
        return true;
    });
    if (!read)
        return read.error();
    return steps;
}

std::string sessionHelp()
{
    std::size_t width = 0;
    for (const StepRow& row : stepRows())
        width = std::max(width, std::string_view(row.form).size());
    std::string help;
    for (const StepRow& row : stepRows()) {
        std::string description = row.description;
        description.erase(std::remove(description.begin(), description.end(), '`'), description.end());
        help += "  " + std::string(row.form) + std::string(width + 2 - std::string_view(row.form).size(), ' ') +
                description + "\n";
    }
    return help + "  Devices are named by instance name or number; quote words with blanks: \"ZEP SDI Router\".\n";
}

std::string stepTableMarkdown()
{
    std::string table = "| step | meaning |\n|---|---|\n";
    for (const StepRow& row : stepRows())
        table += "| `" + markdownCell(row.form) + "` | " + row.description + " |\n";
    return table;
}

} // namespace vesk_host
