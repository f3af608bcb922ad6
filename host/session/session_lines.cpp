#include "session/session_lines.h"

namespace vesk_host {

namespace {

bool plainByte(unsigned char c)
{
    return c > ' ' && c != '"' && c != '#' && c != '\\' && c != 0x7f;
}

std::string number(std::int64_t value) { return std::to_string(value); }

// The words after a step's keywords, each with the blank before it.
struct ArgumentsOf {
    std::string operator()(const step::Press& s) const { return " " + sessionWord(s.control) + optional(s.event); }
    std::string operator()(const step::Panel& s) const { return " " + sessionWord(s.id); }
    std::string operator()(const step::Event& s) const
    {
        return " " + sessionWord(s.panel) + " " + sessionWord(s.control) + optional(s.event);
    }
    std::string operator()(const step::Soak& s) const { return " " + number(s.steps) + " " + std::to_string(s.seed); }
    std::string operator()(const step::ExpectHandedBack& s) const { return " " + textOrNull(s.text); }
    std::string operator()(const step::Advance& s) const { return " " + number(s.milliseconds); }
    std::string operator()(const step::Query& s) const { return s.text ? " " + sessionWord(*s.text) : ""; }
    std::string operator()(const step::Revertive& s) const
    {
        return " " + number(s.device) + " " + number(s.index) + " " + sessionWord(s.text);
    }
    std::string operator()(const step::Route& s) const
    {
        return " " + number(s.router) + " " + number(s.source) + " " + number(s.destination);
    }
    std::string operator()(const step::Poll& s) const
    {
        return " " + number(s.router) + " " + number(s.first) + " " + number(s.last);
    }
    std::string operator()(const step::Tick& s) const { return " " + number(s.id); }
    std::string operator()(const step::Replies& s) const { return std::string(" ") + replyModeName(s.mode); }
    std::string operator()(const step::Show& s) const { return optional(s.panel); }
    std::string operator()(const step::ExpectCommand& s) const { return " " + sessionWord(s.text); }
    std::string operator()(const step::ExpectNoMoreCommands&) const { return ""; }
    std::string operator()(const step::ExpectProperty& s) const
    {
        return " " + sessionWord(s.control) + " " + sessionWord(s.property) + " " + sessionWord(s.value);
    }
    std::string operator()(const step::ExpectAnswer& s) const { return " " + textOrNull(s.text); }
    std::string operator()(const step::Shutdown&) const { return ""; }
    std::string operator()(const step::Quit&) const { return ""; }
    std::string operator()(const step::Help&) const { return ""; }

    // A word that may be left out: nothing when empty.
    static std::string optional(const std::string& text) { return text.empty() ? "" : " " + sessionWord(text); }
    static std::string textOrNull(const std::optional<std::string>& text)
    {
        return text ? sessionWord(*text) : std::string("null");
    }
};

} // namespace

std::string sessionWord(std::string_view text)
{
    bool plain = !text.empty() && text != "null";
    for (const char c : text)
        plain = plain && plainByte(static_cast<unsigned char>(c));
    if (plain)
        return std::string(text);
    std::string word = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': word += "\\\""; break;
        case '\\': word += "\\\\"; break;
        case '\n': word += "\\n"; break;
        case '\t': word += "\\t"; break;
        default: word += c;
        }
    }
    return word + "\"";
}

std::string stepLine(const StepAction& action) { return stepKeywords(action) + std::visit(ArgumentsOf{}, action); }

} // namespace vesk_host
