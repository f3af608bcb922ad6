#include "worker/event_codec.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vesk_host::worker {

namespace {

// The fields of each event, in one place for both directions.
template <class F> void fields(ScriptLoading& e, F& f) { f(e.path); }
template <class F> void fields(ControlDelivered& e, F& f) { f(e.panel), f(e.control), f(e.event); }
template <class F> void fields(RevertiveDelivered& e, F& f) { f(e.device), f(e.index), f(e.text); }
template <class F> void fields(QueryDelivered& e, F& f) { f(e.query); }
template <class F> void fields(TimerDelivered& e, F& f) { f(e.id), f(e.clock); }
template <class F> void fields(CodeDelivered& e, F& f) { f(e.code), f(e.data); }
template <class F> void fields(AnswerHandedBack& e, F& f) { f(e.query), f(e.answer); }
template <class F> void fields(ScriptDeleting&, F&) {}
template <class F> void fields(CommandSent& e, F& f)
{
    f(e.text), f(e.unterminated), f(e.reply.kind), f(e.reply.text), f(e.reply.status);
}
template <class F> void fields(OtherCodeSent& e, F& f) { f(e.code); }
template <class F> void fields(ReplyReturned& e, F& f) { f(e.pointer), f(e.text), f(e.command), f(e.size); }
template <class F> void fields(AnswerReceived& e, F& f) { f(e.text), f(e.terminated); }
template <class F> void fields(ExportReturnedNull&, F&) {}
template <class F> void fields(ScriptUncallable& e, F& f) { f(e.problem); }
template <class F> void fields(RevertivesDropped& e, F& f) { f(e.count); }
template <class F> void fields(FindingRaised& e, F& f) { f(e.finding.rule), f(e.finding.message), f(e.depth); }
template <class F> void fields(TimerStarted& e, F& f) { f(e.id), f(e.interval); }
template <class F> void fields(TimerStopped& e, F& f) { f(e.id); }
template <class F> void fields(PropertyChanged& e, F& f) { f(e.panel), f(e.control), f(e.property), f(e.value); }
template <class F> void fields(PanelLoaded& e, F& f) { f(e.panel), f(e.file); }
template <class F> void fields(StepStarted& e, F& f) { f(e.step), f(e.clock), f(e.line); }
template <class F> void fields(StepRefused& e, F& f) { f(e.line), f(e.message); }
template <class F> void fields(StateShown& e, F& f) { f(e.text), f(e.finalPanel); }
template <class F> void fields(ExpectationChecked& e, F& f) { f(e.line), f(e.step), f(e.ok), f(e.expected), f(e.actual); }
template <class F> void fields(RunSummary& e, F& f)
{
    f(e.violations), f(e.warnings), f(e.expectationsMet), f(e.expectationsFailed), f(e.rules);
}
template <class F> void fields(ScriptPrinted& e, F& f) { f(e.text); }
template <class F> void fields(HostNote& e, F& f) { f(e.text); }

struct Writer {
    std::string& out;

    void number(std::uint64_t value)
    {
        char bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
        out.append(bytes, 8);
    }
    template <class T> std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>> operator()(const T& value)
    {
        if constexpr (std::is_enum_v<T>)
            number(static_cast<std::uint64_t>(value));
        else
            number(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)));
    }
    void operator()(const std::string& text)
    {
        number(text.size());
        out += text;
    }
    void operator()(const std::optional<std::string>& text)
    {
        (*this)(text.has_value());
        if (text)
            (*this)(*text);
    }
    void operator()(const Rule* rule) { (*this)(std::string(rule ? rule->name : "")); }
    void operator()(const std::vector<std::pair<std::string, int>>& pairs)
    {
        number(pairs.size());
        for (const auto& [name, count] : pairs)
            (*this)(name), (*this)(count);
    }
};

struct Reader {
    std::string_view in;
    bool ok = true;

    std::uint64_t number()
    {
        if (in.size() < 8) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
        in.remove_prefix(8);
        return value;
    }
    template <class T> std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>> operator()(T& value)
    {
        const std::uint64_t raw = number();
        if constexpr (std::is_same_v<T, bool>)
            value = raw != 0;
        else if constexpr (std::is_enum_v<T>)
            value = static_cast<T>(raw);
        else
            value = static_cast<T>(static_cast<std::int64_t>(raw));
    }
    void operator()(std::string& text)
    {
        const std::uint64_t size = number();
        if (!ok || size > in.size()) {
            ok = false;
            return;
        }
        text.assign(in.data(), static_cast<std::size_t>(size));
        in.remove_prefix(static_cast<std::size_t>(size));
    }
    void operator()(std::optional<std::string>& text)
    {
        bool present = false;
        (*this)(present);
        if (!present) {
            text.reset();
            return;
        }
        text.emplace();
        (*this)(*text);
    }
    void operator()(const Rule*& rule)
    {
        std::string name;
        (*this)(name);
        rule = nullptr;
        for (const Rule* known : allRules())
            if (name == known->name)
                rule = known;
        ok = ok && rule != nullptr;
    }
    void operator()(std::vector<std::pair<std::string, int>>& pairs)
    {
        const std::uint64_t count = number();
        // Each pair takes at least 16 bytes: a count past that is not one.
        if (!ok || count > in.size() / 16) {
            ok = false;
            return;
        }
        pairs.resize(static_cast<std::size_t>(count));
        for (auto& [name, value] : pairs)
            (*this)(name), (*this)(value);
    }
};

template <std::size_t Index> std::optional<HostEvent> decodeAs(std::size_t index, Reader& reader)
{
    if constexpr (Index < std::variant_size_v<HostEvent>) {
        if (index != Index)
            return decodeAs<Index + 1>(index, reader);
        std::variant_alternative_t<Index, HostEvent> event{};
        fields(event, reader);
        if (!reader.ok || !reader.in.empty())
            return std::nullopt;
        return HostEvent(std::move(event));
    } else {
        return std::nullopt;
    }
}

} // namespace

void encodeEvent(const HostEvent& event, std::string& out)
{
    out += static_cast<char>(event.index());
    Writer writer{out};
    // The fields are only read: the one field list serves both directions.
    std::visit([&writer](const auto& e) { fields(const_cast<std::decay_t<decltype(e)>&>(e), writer); }, event);
}

std::optional<HostEvent> decodeEvent(std::string_view bytes)
{
    if (bytes.empty())
        return std::nullopt;
    Reader reader{bytes.substr(1)};
    return decodeAs<0>(static_cast<unsigned char>(bytes[0]), reader);
}

} // namespace vesk_host::worker
