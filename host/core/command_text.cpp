#include "command_text.h"

#include <array>

#include "text_util.h"

namespace vesk_host {

namespace {

enum class Shape { none, texts, numbers, route };

struct CommandShape {
    const char* letters;
    Shape shape;
    int fewest;  // arguments at least (texts or numbers)
    int most;    // arguments at most
    const char* form;
};

constexpr std::array<CommandShape, 12> shapes = {{
    {"AS", Shape::none, 0, 0, "AS"},
    {"SD", Shape::texts, 1, 1, "SD 'instance'"},
    {"XI", Shape::texts, 2, 2, "XI 'panel' 'pattern'"},
    {"PS", Shape::texts, 2, 3, "PS 'panel' 'file' ['third']"},
    {"RC", Shape::route, 4, 4, "RC device source destination ',extra' flag"},
    {"RN", Shape::numbers, 3, 3, "RN device database index"},
    {"RP", Shape::numbers, 3, 3, "RP device first last"},
    {"RR", Shape::numbers, 3, 3, "RR device first last ['ADD']"},
    {"RU", Shape::numbers, 1, 1, "RU device"},
    {"TG", Shape::texts, 3, 3, "TG 'panel' 'control' 'property'"},
    {"TP", Shape::texts, 3, 3, "TP 'property=value' 'panel' 'control'"},
    {"ET", Shape::numbers, 1, 2, "ET id [interval]"},
}};

const CommandShape* findShape(std::string_view letters)
{
    for (const auto& shape : shapes)
        if (letters == shape.letters)
            return &shape;
    return nullptr;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
}

CommandParse malformed(const CommandShape& shape, const std::string& what)
{
    CommandParse result;
    result.rule = &rule::malformedCommand;
    result.error = what + " (form: " + shape.form + ")";
    return result;
}

std::string countText(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

CommandParse readTexts(const CommandShape& shape, std::string_view body, CommandParse result)
{
    if (body.size() < 2 || body.front() != '\'' || body.back() != '\'')
        return malformed(shape, "expected " + countText(shape.fewest, "text", "texts") + " in apostrophes");
    auto pieces = split(body.substr(1, body.size() - 2), "' '");
    const int count = static_cast<int>(pieces.size());
    if (count < shape.fewest)
        return malformed(shape, "expected " + countText(shape.fewest, "text", "texts") + " in apostrophes, found " +
                                    std::to_string(count));
    std::size_t extra = 0;
    if (count > shape.most) {
        extra = static_cast<std::size_t>(count - shape.most);
        // A single text cannot be misread: it is everything between the outer apostrophes.
        result.command.ambiguous = shape.most > 1;
    }
    std::string first(pieces[0]);
    for (std::size_t i = 1; i <= extra; ++i)
        first += "' '" + std::string(pieces[i]);
    result.command.texts.push_back(first);
    for (std::size_t i = extra + 1; i < pieces.size(); ++i)
        result.command.texts.emplace_back(pieces[i]);
    result.ok = true;
    return result;
}

CommandParse readNumbers(const CommandShape& shape, std::string_view body, CommandParse result)
{
    if (body.empty())
        return malformed(shape, "expected " + countText(shape.fewest, "number", "numbers"));
    auto words = split(body, " ");
    if (result.command.letters == "RR" && words.size() == 4 && words[3] == "'ADD'") {
        result.command.add = true;
        words.pop_back();
    }
    const int count = static_cast<int>(words.size());
    if (count < shape.fewest || count > shape.most)
        return malformed(shape, "expected " +
                                    (shape.fewest == shape.most
                                         ? countText(shape.fewest, "number", "numbers")
                                         : std::to_string(shape.fewest) + " to " + std::to_string(shape.most) +
                                               " numbers") +
                                    ", found " + std::to_string(count) + " words");
    for (const auto word : words) {
        const auto number = parseInt32(word);
        if (!number)
            return malformed(shape, quoteText(word) + " is not a 32-bit decimal number");
        result.command.numbers.push_back(*number);
    }
    result.ok = true;
    return result;
}

// "RC device source destination ',extra' flag": the extra text is free, so
// the flag is the last word and the numbers are the first three.
CommandParse readRoute(const CommandShape& shape, std::string_view body, CommandParse result)
{
    std::string_view rest = body;
    for (int i = 0; i < 3; ++i) {
        const std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos)
            return malformed(shape, "expected device, source and destination numbers");
        const auto number = parseInt32(rest.substr(0, blank));
        if (!number)
            return malformed(shape, quoteText(rest.substr(0, blank)) + " is not a 32-bit decimal number");
        result.command.numbers.push_back(*number);
        rest.remove_prefix(blank + 1);
    }
    const std::size_t blank = rest.rfind(' ');
    if (blank == std::string_view::npos)
        return malformed(shape, "expected the quoted extra text and the flag");
    const std::string_view extra = rest.substr(0, blank);
    if (extra.size() < 3 || extra.substr(0, 2) != "'," || extra.back() != '\'')
        return malformed(shape, "the fourth argument must be a text in apostrophes that starts with a comma");
    const auto flag = parseInt32(rest.substr(blank + 1));
    if (!flag)
        return malformed(shape, quoteText(rest.substr(blank + 1)) + " is not a 32-bit decimal number");
    result.command.texts.emplace_back(extra.substr(2, extra.size() - 3));
    result.command.numbers.push_back(*flag);
    result.ok = true;
    return result;
}

} // namespace

CommandParse parseCommandText(std::string_view text)
{
    CommandParse result;
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (text.size() < 2 || !upper(text[0]) || !upper(text[1])) {
        result.rule = &rule::malformedCommand;
        result.error = "a command starts with two upper-case letters";
        return result;
    }
    const CommandShape* shape = findShape(text.substr(0, 2));
    if (!shape) {
        result.rule = &rule::unknownCommand;
        result.error = "no command has the letters " + quoteText(text.substr(0, 2));
        return result;
    }
    result.command.letters = std::string(text.substr(0, 2));
    if (text.size() > 2 && text[2] != ' ')
        return malformed(*shape, "the letters must be followed by one blank");
    const std::string_view body = text.size() > 2 ? text.substr(3) : std::string_view();
    switch (shape->shape) {
    case Shape::none:
        if (text.size() > 2)
            return malformed(*shape, "takes no arguments");
        result.ok = true;
        return result;
    case Shape::texts:
        return readTexts(*shape, body, std::move(result));
    case Shape::numbers:
        return readNumbers(*shape, body, std::move(result));
    case Shape::route:
        return readRoute(*shape, body, std::move(result));
    }
    return result;
}

std::string commandForm(std::string_view letters)
{
    const CommandShape* shape = findShape(letters);
    return shape ? shape->form : "";
}

} // namespace vesk_host
