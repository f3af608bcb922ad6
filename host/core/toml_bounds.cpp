#include "toml_bounds.h"

#include <vector>

namespace vesk_host {

namespace {

class BoundsScanner {
public:
    BoundsScanner(std::string_view text, const TomlLimits& limits) : text_(text), limits_(limits) {}

    std::optional<TomlProblem> scan()
    {
        if (text_.size() > limits_.bytes)
            return TomlProblem{0, "is larger than " + std::to_string(limits_.bytes) + " bytes"};
        while (at_ < text_.size() && !problem_) {
            const char c = text_[at_];
            if (c == '\n') {
                newLine();
                continue;
            }
            if (at_ - lineStart_ >= limits_.lineBytes) {
                fail(line_, "the line is longer than " + std::to_string(limits_.lineBytes) + " bytes");
                break;
            }
            if (c == '#')
                skipComment();
            else if (c == '"' || c == '\'')
                quoted(c);
            else
                structure(c);
        }
        return problem_;
    }

private:
    // What the next bare word or quoted text is: part of a key, or a value.
    enum class Place { key, header, value };

    void fail(int line, std::string message)
    {
        if (!problem_)
            problem_ = TomlProblem{line, std::move(message)};
    }

    void newLine()
    {
        ++at_;
        ++line_;
        lineStart_ = at_;
        // Arrays may span lines; inline tables and key-value pairs may not.
        if (open_.empty())
            startKey(Place::key);
    }

    void startKey(Place place)
    {
        place_ = place;
        parts_ = 1;
    }

    void skipComment()
    {
        while (at_ < text_.size() && text_[at_] != '\n')
            ++at_;
    }

    void countPart()
    {
        if (++parts_ > limits_.keyParts)
            fail(line_, "a dotted key has more than " + std::to_string(limits_.keyParts) + " parts");
    }

    void push(char bracket)
    {
        open_.push_back(bracket);
        if (static_cast<int>(open_.size()) > limits_.depth)
            fail(line_, "arrays and inline tables are nested more than " + std::to_string(limits_.depth) + " deep");
    }

    void structure(char c)
    {
        ++at_;
        if (place_ == Place::value) {
            if (c == '[')
                push('[');
            else if (c == '{') {
                push('{');
                startKey(Place::key);
            } else if ((c == ']' || c == '}') && !open_.empty())
                open_.pop_back();
            else if (c == ',' && !open_.empty() && open_.back() == '{')
                startKey(Place::key);
            return;
        }
        if (c == '.')
            countPart();
        else if (c == '=')
            place_ = Place::value;
        else if (c == '[' && open_.empty() && place_ == Place::key)
            startKey(Place::header);
        else if (c == ']' && place_ == Place::header)
            place_ = Place::value;  // what may follow a header is checked by the library
        else if (c == '}' && !open_.empty()) {
            open_.pop_back();
            place_ = Place::value;
        }
    }

    // A basic ("...") or literal ('...') text, single- or multi-line.
    void quoted(char quote)
    {
        const int startLine = line_;
        const bool multiLine = text_.compare(at_, 3, std::string(3, quote)) == 0;
        at_ += multiLine ? 3 : 1;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '\\' && quote == '"') {
                // A backslash at a line end (in triple quotes) leaves the line end to be counted.
                at_ += at_ + 1 < text_.size() && text_[at_ + 1] == '\n' ? 1 : 2;
                continue;
            }
            if (c == '\n') {
                if (!multiLine)
                    return fail(startLine, "a text in quotes is missing its closing " + std::string(1, quote));
                newLineInText();
                continue;
            }
            if (at_ - lineStart_ >= limits_.lineBytes)
                return fail(line_, "the line is longer than " + std::to_string(limits_.lineBytes) + " bytes");
            ++at_;
            if (c != quote)
                continue;
            if (!multiLine)
                return;
            if (text_.compare(at_ - 1, 3, std::string(3, quote)) == 0) {
                // Up to two more quotes may end the text itself.
                at_ += 2;
                for (int extra = 0; extra < 2 && at_ < text_.size() && text_[at_] == quote; ++extra)
                    ++at_;
                return;
            }
        }
        fail(startLine, multiLine ? "a text in triple quotes that starts here is never closed"
                                  : "a text in quotes is missing its closing " + std::string(1, quote));
    }

    void newLineInText()
    {
        ++at_;
        ++line_;
        lineStart_ = at_;
    }

    std::string_view text_;
    const TomlLimits& limits_;
    std::size_t at_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
    Place place_ = Place::key;
    int parts_ = 1;
    std::vector<char> open_;  // the open arrays ('[') and inline tables ('{')
    std::optional<TomlProblem> problem_;
};

} // namespace

std::optional<TomlProblem> checkTomlBounds(std::string_view text, const TomlLimits& limits)
{
    return BoundsScanner(text, limits).scan();
}

} // namespace vesk_host
