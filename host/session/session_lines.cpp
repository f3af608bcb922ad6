#include "session/session_lines.h"

namespace vesk_host {

namespace {

bool plainByte(unsigned char c)
{
    return c > ' ' && c != '"' && c != '#' && c != '\\' && c != 0x7f;
}

std::string number(std::int64_t value) { return std::to_string(value); }

struct LineOf {
    std::string operator()(const step::Press& s) const
    {
        return "press " + sessionWord(s.control) + (s.event.empty() ? "" : " " + sessionWord(s.event));
    }
    std::string operator()(const step::Panel& s) const { return "panel " + sessionWord(s.id); }
    std::string operator()(const step::Event& s) const
    {
        return "event " + sessionWord(s.panel) + " " + sessionWord(s.control) +
               (s.event.empty() ? "" : " " + sessionWord(s.event));
    }
    std::string operator()(const step::Soak& s) const
    {
        return "soak " + number(s.steps) + " " + std::to_string(s.seed);
    }
    std::string operator()(const step::ExpectHandedBack& s) const
    {
        return "expect handed-back " + (s.text ? sessionWord(*s.text) : std::string("null"));
    }
    std::string operator()(const step::Advance& s) const { return "advance " + number(s.milliseconds); }
    std::string operator()(const step::Query& s) const { return s.text ? "query " + sessionWord(*s.text) : "query"; }
    std::string operator()(const step::Revertive& s) const
    {
        return "revertive " + number(s.device) + " " + number(s.index) + " " + sessionWord(s.text);
    }
    std::string operator()(const step::Route& s) const
    {
        return "route " + number(s.router) + " " + number(s.source) + " " + number(s.destination);
    }
    std::string operator()(const step::Poll& s) const
    {
        return "poll " + number(s.router) + " " + number(s.first) + " " + number(s.last);
    }
    std::string operator()(const step::Tick& s) const { return "tick " + number(s.id); }
    std::string operator()(const step::Replies& s) const { return std::string("replies ") + replyModeName(s.mode); }
    std::string operator()(const step::Show& s) const
    {
        switch (s.what) {
        case step::Show::What::routes: return "show routes";
        case step::Show::What::timers: return "show timers";
        case step::Show::What::panel: break;
        }
        return s.panel.empty() ? "show panel" : "show panel " + sessionWord(s.panel);
    }
    std::string operator()(const step::ExpectCommand& s) const { return "expect command " + sessionWord(s.text); }
    std::string operator()(const step::ExpectNoMoreCommands&) const { return "expect no-more-commands"; }
    std::string operator()(const step::ExpectProperty& s) const
    {
        return "expect property " + sessionWord(s.control) + " " + sessionWord(s.property) + " " +
               sessionWord(s.value);
    }
    std::string operator()(const step::ExpectAnswer& s) const
    {
        return "expect answer " + (s.text ? sessionWord(*s.text) : std::string("null"));
    }
    std::string operator()(const step::Shutdown&) const { return "shutdown"; }
    std::string operator()(const step::Quit&) const { return "quit"; }
    std::string operator()(const step::Help&) const { return "help"; }
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

std::string stepLine(const StepAction& action) { return std::visit(LineOf{}, action); }

} // namespace vesk_host
