#include "session_file.h"

#include <stdexcept>

#include "reply_modes.h"
#include "text_util.h"

namespace vesk_host {

namespace {

struct Word {
    std::string text;
    bool quoted = false;
};

struct SessionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Blank-separated words; double quotes group, with \" \\ \n \t inside.
std::vector<Word> splitWords(std::string_view line)
{
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        Word word;
        if (c == '"') {
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
                default: throw SessionError("unknown escape \\" + std::string(1, escaped) + " in a quoted word");
                }
            }
            if (!closed)
                throw SessionError("a quoted word is not closed");
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                throw SessionError("a quoted word must be followed by a blank");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                if (line[i] == '"')
                    throw SessionError("a double quote inside a word; quote the whole word");
                word.text += line[i++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string canonical(const std::vector<Word>& words)
{
    std::string text;
    for (const auto& word : words) {
        if (!text.empty())
            text += ' ';
        const bool plain = !word.quoted && !word.text.empty();
        text += plain ? word.text : quoteText(word.text);
    }
    return text;
}

void expectCount(const std::vector<Word>& words, std::size_t least, std::size_t most, const char* form)
{
    if (words.size() < least || words.size() > most)
        throw SessionError(std::string("expected: ") + form);
}

std::int32_t number(const Word& word, const char* what)
{
    const auto value = parseInt32(word.text);
    if (!value)
        throw SessionError(std::string(what) + " must be a whole number, not " + quoteText(word.text));
    return *value;
}

std::int32_t deviceNumber(const Word& word, const Plant& plant)
{
    if (const auto value = parseInt32(word.text))
        return *value;
    const Device* device = plant.deviceByName(word.text);
    if (!device)
        throw SessionError("the plant has no device named " + quoteText(word.text));
    return device->number;
}

const Router& router(const Word& word, const Plant& plant)
{
    const std::int32_t device = deviceNumber(word, plant);
    const Router* found = plant.router(device);
    if (!found)
        throw SessionError(quoteText(word.text) + " is not a router of the plant");
    return *found;
}

void parseExpect(const std::vector<Word>& words, Step& step)
{
    const char* form = "expect command TEXT | expect no-more-commands | expect property CONTROL PROPERTY VALUE | "
                       "expect answer TEXT|null";
    if (words.size() < 2)
        throw SessionError(std::string("expected: ") + form);
    const std::string& what = words[1].text;
    if (what == "command") {
        expectCount(words, 3, 3, "expect command TEXT");
        step.kind = Step::Kind::expectCommand;
        step.words = {words[2].text};
    } else if (what == "no-more-commands") {
        expectCount(words, 2, 2, "expect no-more-commands");
        step.kind = Step::Kind::expectNoMoreCommands;
    } else if (what == "property") {
        expectCount(words, 5, 5, "expect property CONTROL PROPERTY VALUE");
        step.kind = Step::Kind::expectProperty;
        step.words = {words[2].text, words[3].text, words[4].text};
    } else if (what == "answer") {
        expectCount(words, 3, 3, "expect answer TEXT|null");
        step.kind = Step::Kind::expectAnswer;
        if (words[2].quoted || words[2].text != "null")
            step.text = words[2].text;
    } else {
        throw SessionError("unknown expectation " + quoteText(what) + " (" + form + ")");
    }
}

Step readStep(const std::vector<Word>& words, const Plant& plant)
{
    Step step;
    step.source = canonical(words);
    const std::string& keyword = words[0].text;
    if (keyword == "press") {
        expectCount(words, 2, 3, "press CONTROL [EVENT]");
        step.kind = Step::Kind::press;
        step.words = {words[1].text, words.size() > 2 ? words[2].text : std::string()};
    } else if (keyword == "panel") {
        expectCount(words, 2, 2, "panel ID");
        step.kind = Step::Kind::panel;
        step.words = {words[1].text};
    } else if (keyword == "advance") {
        expectCount(words, 2, 2, "advance MILLISECONDS");
        std::string amount = words[1].text;
        if (amount.size() > 2 && amount.compare(amount.size() - 2, 2, "ms") == 0)
            amount.resize(amount.size() - 2);
        const auto value = parseInt64(amount);
        // A day of virtual time at most: larger steps are typing mistakes.
        if (!value || *value < 0 || *value > 86400000)
            throw SessionError("advance takes milliseconds from 0 to 86400000, not " + quoteText(words[1].text));
        step.kind = Step::Kind::advance;
        step.milliseconds = *value;
    } else if (keyword == "query") {
        expectCount(words, 1, 2, "query [TEXT]");
        step.kind = Step::Kind::query;
        if (words.size() > 1)
            step.text = words[1].text;
    } else if (keyword == "revertive") {
        expectCount(words, 4, 4, "revertive DEVICE INDEX TEXT");
        step.kind = Step::Kind::revertive;
        step.device = deviceNumber(words[1], plant);
        step.first = number(words[2], "the index");
        step.words = {words[3].text};
    } else if (keyword == "route") {
        expectCount(words, 4, 4, "route ROUTER SOURCE DESTINATION");
        const Router& found = router(words[1], plant);
        step.kind = Step::Kind::route;
        step.device = found.device;
        step.first = number(words[2], "the source");
        step.second = number(words[3], "the destination");
        if (!found.hasSource(step.first) || !found.hasDestination(step.second))
            throw SessionError(quoteText(words[1].text) + " has sources 0.." + std::to_string(found.sources - 1) +
                               " and destinations 0.." + std::to_string(found.destinations - 1));
    } else if (keyword == "poll") {
        expectCount(words, 3, 4, "poll ROUTER FIRST [LAST]");
        step.kind = Step::Kind::poll;
        step.device = router(words[1], plant).device;
        step.first = number(words[2], "the first destination");
        step.second = words.size() > 3 ? number(words[3], "the last destination") : step.first;
    } else if (keyword == "tick") {
        expectCount(words, 2, 2, "tick ID");
        step.kind = Step::Kind::tick;
        step.first = number(words[1], "the timer id");
    } else if (keyword == "replies") {
        expectCount(words, 2, 2, "replies plant|null|empty|long");
        if (!replyModeNamed(words[1].text))
            throw SessionError("replies takes plant, null, empty or long, not " + quoteText(words[1].text));
        step.kind = Step::Kind::replies;
        step.words = {words[1].text};
    } else if (keyword == "show") {
        expectCount(words, 2, 3, "show panel [ID] | show routes | show timers");
        const std::string& what = words[1].text;
        if (what != "panel" && what != "routes" && what != "timers")
            throw SessionError("show panel [ID], show routes or show timers, not " + quoteText(what));
        if (what != "panel" && words.size() > 2)
            throw SessionError("show " + what + " takes nothing more");
        step.kind = Step::Kind::show;
        step.words = {what, words.size() > 2 ? words[2].text : std::string()};
    } else if (keyword == "expect") {
        parseExpect(words, step);
    } else if (keyword == "shutdown" || keyword == "quit" || keyword == "help") {
        expectCount(words, 1, 1, keyword.c_str());
        step.kind = keyword == "shutdown" ? Step::Kind::shutdown
                    : keyword == "quit"   ? Step::Kind::quit
                                          : Step::Kind::help;
    } else {
        throw SessionError("unknown step " + quoteText(keyword) +
                           " (press, panel, advance, query, revertive, route, poll, tick, replies, show, expect, shutdown, "
                           "quit)");
    }
    return step;
}

} // namespace

StepParse parseStep(std::string_view line, int lineNumber, const Plant& plant)
{
    StepParse result;
    try {
        const std::vector<Word> words = splitWords(line);
        if (words.empty())
            return result;
        result.step = readStep(words, plant);
        result.step->line = lineNumber;
    } catch (const SessionError& error) {
        result.error = error.what();
    }
    return result;
}

SessionParse parseSession(std::string_view text, const std::string& name, const Plant& plant)
{
    SessionParse result;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        ++lineNumber;
        StepParse parsed = parseStep(text.substr(start, end - start), lineNumber, plant);
        if (!parsed.error.empty()) {
            result.error = name + ":" + std::to_string(lineNumber) + ": " + parsed.error;
            result.steps.clear();
            return result;
        }
        if (parsed.step)
            result.steps.push_back(std::move(*parsed.step));
        start = end + 1;
    }
    return result;
}

const char* sessionHelp()
{
    return "  press CONTROL [EVENT]            control event (such as index=3) on the current panel\n"
           "  panel ID                         the panel that press, show and expect address (\"1\")\n"
           "  advance MS                       move the virtual clock; due timers tick in order\n"
           "  query [TEXT]                     parent query (without TEXT: a null query)\n"
           "  revertive DEVICE INDEX TEXT      deliver a revertive from any device\n"
           "  route ROUTER SOURCE DESTINATION  a take made outside the script\n"
           "  poll ROUTER FIRST [LAST]         revertives for those destinations\n"
           "  tick ID                          a tick of timer ID now, whether it runs or not\n"
           "  replies plant|null|empty|long    answer every command so from now on (plant: as the plant does)\n"
           "  show panel [ID] | routes | timers\n"
           "  expect command TEXT              the next command the last action sent\n"
           "  expect no-more-commands          the last action sent nothing more\n"
           "  expect property CONTROL PROPERTY VALUE\n"
           "  expect answer TEXT | null        the answer to the last query\n"
           "  shutdown                         end the script (its destructor runs)\n"
           "  quit                             stop; ends the script if it still runs\n"
           "  Devices are named by instance name or number; quote words with blanks: \"ZEP SDI Router\".\n";
}

} // namespace vesk_host
