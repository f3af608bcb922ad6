#include "commands/command_parser.h"

#include "base/text_util.h"
#include "commands/command_table.h"
#include "events/rules.h"

namespace vesk_host {

namespace {

// A piece of the command text and the column (1-based) it starts at.
struct Piece {
    std::string_view text;
    std::size_t column;
};

Error malformed(const CommandRow& row, const std::string& what)
{
    return Error{ErrorKind::invalid, what + " (form: " + row.form + ")", &rule::malformedCommand};
}

std::string at(std::size_t column) { return " (column " + std::to_string(column) + ")"; }

std::string countText(int count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The words of a numeric command: the first few are kept, all are counted
// (no command takes more than four numbers and a flag word).
struct Pieces {
    static constexpr std::size_t kept = 5;
    Piece items[kept];
    std::size_t count = 0;
};

// Blank-separated words of `body` (which starts at `column`): a blank more
// than one between words, before the first or after the last is an error.
Result<Pieces> words(const CommandRow& row, std::string_view body, std::size_t column)
{
    Pieces pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        if (i < body.size() && body[i] != ' ')
            continue;
        if (i == start) {
            if (i == body.size())
                return malformed(row, "trailing blank" + at(column + i - 1));
            return malformed(row, std::string(i == 0 ? "two blanks after the letters" : "two blanks between arguments") +
                                      at(column + i));
        }
        if (pieces.count < Pieces::kept)
            pieces.items[pieces.count] = Piece{body.substr(start, i - start), column + start};
        ++pieces.count;
        start = i + 1;
    }
    return pieces;
}

// Plain signed decimal: an optional '-' and digits, no leading zero, within 32 bits.
Result<std::int32_t> number(const CommandRow& row, const Piece& word)
{
    const std::string_view digits = word.text.substr(word.text.size() > 0 && word.text[0] == '-' ? 1 : 0);
    const bool leadingZero = digits.size() > 1 && digits[0] == '0';
    const bool negativeZero = digits == "0" && digits.size() < word.text.size();
    if (leadingZero || negativeZero)
        return malformed(row, quoteText(word.text) + " is not plain decimal (no leading zeros or signed zero)" +
                                  at(word.column));
    const auto value = parseInt32(word.text);
    if (!value)
        return malformed(row, quoteText(word.text) + " is not a 32-bit decimal number" + at(word.column));
    return *value;
}

Result<ParsedCommand> readTexts(const CommandRow& row, std::string_view body, std::size_t column,
                                ParsedCommand command)
{
    if (body.empty() || body.front() != '\'') {
        if (!body.empty() && body.front() == ' ')
            return malformed(row, "two blanks after the letters" + at(column));
        return malformed(row, "expected " + countText(row.fewest, "text", "texts") + " in apostrophes");
    }
    if (body.size() >= 2 && body.back() == ' ' && body[body.size() - 2] == '\'')
        return malformed(row, "trailing blank" + at(column + body.size() - 1));
    if (body.size() < 2 || body.back() != '\'')
        return malformed(row, "missing closing apostrophe at the end (texts in apostrophes)" +
                                  at(column + body.size()));
    std::vector<std::string_view> pieces;
    pieces.reserve(static_cast<std::size_t>(row.most > 0 ? row.most : 1));
    const std::string_view inner = body.substr(1, body.size() - 2);
    for (std::size_t start = 0;;) {
        const std::size_t found = inner.find("' '", start);
        pieces.push_back(inner.substr(start, found == std::string_view::npos ? std::string_view::npos : found - start));
        if (found == std::string_view::npos)
            break;
        start = found + 3;
    }
    const int count = static_cast<int>(pieces.size());
    if (count < row.fewest)
        return malformed(row, "expected " + countText(row.fewest, "text", "texts") + " in apostrophes, found " +
                                  std::to_string(count));
    std::size_t extra = 0;
    if (count > row.most) {
        extra = static_cast<std::size_t>(count - row.most);
        // A single text cannot be misread: it is everything between the outer apostrophes.
        command.ambiguous = row.most > 1;
    }
    std::string first(pieces[0]);
    for (std::size_t i = 1; i <= extra; ++i)
        first += "' '" + std::string(pieces[i]);
    command.texts.push_back(std::move(first));
    for (std::size_t i = extra + 1; i < pieces.size(); ++i)
        command.texts.emplace_back(pieces[i]);
    return command;
}

Result<ParsedCommand> readNumbers(const CommandRow& row, std::string_view body, std::size_t column,
                                  ParsedCommand command)
{
    if (body.empty())
        return malformed(row, "expected " + countText(row.fewest, "number", "numbers"));
    auto split = words(row, body, column);
    if (!split)
        return split.error();
    Pieces& pieces = *split;
    if (row.flagWord && static_cast<std::size_t>(row.most) < Pieces::kept &&
        pieces.count == static_cast<std::size_t>(row.most) + 1 &&
        pieces.items[row.most].text == row.flagWord) {
        command.flagged = true;
        pieces.count = static_cast<std::size_t>(row.most);
    }
    const int count = static_cast<int>(pieces.count);
    if (count < row.fewest || count > row.most)
        return malformed(row, "expected " +
                                  (row.fewest == row.most ? countText(row.fewest, "number", "numbers")
                                                          : std::to_string(row.fewest) + " to " +
                                                                std::to_string(row.most) + " numbers") +
                                  ", found " + std::to_string(count) + " words");
    for (std::size_t i = 0; i < pieces.count; ++i) {
        auto value = number(row, pieces.items[i]);
        if (!value)
            return value.error();
        command.numbers.push_back(*value);
    }
    return command;
}

// "RC device source destination ',extra' flag": the extra text is free, so
// the flag is the last word and the numbers are the first three.
Result<ParsedCommand> readRoute(const CommandRow& row, std::string_view body, std::size_t column,
                                ParsedCommand command)
{
    std::string_view rest = body;
    std::size_t restColumn = column;
    for (int i = 0; i < 3; ++i) {
        const std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos)
            return malformed(row, "expected device, source and destination numbers");
        if (blank == 0)
            return malformed(row, std::string(i == 0 ? "two blanks after the letters" : "two blanks between arguments") +
                                      at(restColumn));
        auto value = number(row, Piece{rest.substr(0, blank), restColumn});
        if (!value)
            return value.error();
        command.numbers.push_back(*value);
        rest.remove_prefix(blank + 1);
        restColumn += blank + 1;
    }
    const std::size_t blank = rest.rfind(' ');
    if (blank == std::string_view::npos)
        return malformed(row, "expected the quoted extra text and the flag");
    if (blank + 1 == rest.size())
        return malformed(row, "trailing blank" + at(restColumn + blank));
    const std::string_view extra = rest.substr(0, blank);
    if (extra.size() < 3 || extra.substr(0, 2) != "'," || extra.back() != '\'')
        return malformed(row, "the fourth argument must be a text in apostrophes that starts with a comma");
    auto flag = number(row, Piece{rest.substr(blank + 1), restColumn + blank + 1});
    if (!flag)
        return flag.error();
    command.texts.emplace_back(extra.substr(2, extra.size() - 3));
    command.numbers.push_back(*flag);
    return command;
}

} // namespace

Result<ParsedCommand> parseCommand(std::string_view text)
{
    const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
    if (text.size() < 2 || !upper(text[0]) || !upper(text[1]))
        return Error{ErrorKind::invalid, "a command starts with two upper-case letters", &rule::malformedCommand};
    const CommandRow* row = findCommand(text.substr(0, 2));
    if (!row)
        return Error{ErrorKind::invalid,
                     "no command has the letters " + quoteText(text.substr(0, 2)) + " (the host knows " +
                         commandLetterList() + ")",
                     &rule::unknownCommand};
    ParsedCommand command;
    command.row = row;
    // One allocation for the arguments of each kind the command has.
    if (row->shape == ArgumentShape::texts)
        command.texts.reserve(static_cast<std::size_t>(row->most));
    else if (row->shape == ArgumentShape::numbers)
        command.numbers.reserve(static_cast<std::size_t>(row->most));
    else if (row->shape == ArgumentShape::route) {
        command.texts.reserve(1);
        command.numbers.reserve(4);
    }
    if (text.size() > 2 && text[2] != ' ')
        return malformed(*row, "the letters must be followed by one blank");
    if (row->shape == ArgumentShape::none) {
        if (text.size() > 2)
            return malformed(*row, text.size() == 3 ? "trailing blank" + at(3) : std::string("takes no arguments"));
        return command;
    }
    const std::string_view body = text.size() > 2 ? text.substr(3) : std::string_view();
    constexpr std::size_t bodyColumn = 4;
    switch (row->shape) {
    case ArgumentShape::texts:
        return readTexts(*row, body, bodyColumn, std::move(command));
    case ArgumentShape::numbers:
        return readNumbers(*row, body, bodyColumn, std::move(command));
    case ArgumentShape::route:
        return readRoute(*row, body, bodyColumn, std::move(command));
    case ArgumentShape::none:
        break;
    }
    return command;
}

} // namespace vesk_host
