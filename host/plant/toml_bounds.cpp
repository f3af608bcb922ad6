#include "plant/toml_bounds.h"

#include <optional>
#include <vector>

namespace vesk_host {

namespace {

class BoundsScanner {
public:
    BoundsScanner(std::string_view text, const std::string& name, const TomlLimits& limits)
        : text_(text), name_(name), limits_(limits)
    {
    }

    Status scan()
    {
        if (text_.size() > limits_.bytes)
            return vesk_host::fail(name_ + ": is larger than " + std::to_string(limits_.bytes) + " bytes");
        // A byte-order mark, which the library skips too.
        if (text_.substr(0, 3) == "\xEF\xBB\xBF")
            at_ = lineStart_ = 3;
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
            else if (!bareValue(c))
                break;
            else if (c == '"' || c == '\'')
                quoted(c);
            else if (static_cast<unsigned char>(c) >= 0x80)
                // TOML allows other characters only in quotes and comments; the
                // library's check of them as blanks reaches undefined behaviour.
                fail(line_, "a character outside the ASCII range belongs in quotes or a comment");
            else
                structure(c);
        }
        if (problem_)
            return *problem_;
        return Done{};
    }

private:
    // What the next bare word or quoted text is: part of a key, or a value.
    enum class Place { key, header, value };

    void fail(int line, const std::string& message)
    {
        if (!problem_)
            problem_ = vesk_host::fail(name_ + ":" + std::to_string(line) + ": " + message);
    }

    // A bare value (a number, a date, true) runs, for the library, up to the
    // next blank, "]", "}", "," or "#", quotes and brackets included; such a
    // run holding a quote, a bracket or "=" is refused here, so that the
    // scan and the library agree on what is a text.
    bool bareValue(char c)
    {
        if (place_ != Place::value)
            return true;
        const bool ends = c == ' ' || c == '\t' || c == '\r' || c == ']' || c == '}' || c == ',' || c == '#';
        const bool opens = c == '"' || c == '\'' || c == '[' || c == '{' || c == '=';
        if (ends) {
            inBare_ = false;
        } else if (inBare_ && opens) {
            fail(line_, "a value holds " + std::string(1, c) + " (write a text whole in quotes)");
            return false;
        } else if (!opens) {
            inBare_ = true;
        }
        return true;
    }

    void newLine()
    {
        inBare_ = false;
        ++at_;
        ++line_;
        lineStart_ = at_;
        // Arrays may span lines; inline tables and key-value pairs may not.
        if (open_.empty())
            startKey(Place::key);
    }

    void startKey(Place place)
    {
        inBare_ = false;
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
                if (!escapeReadable(multiLine))
                    return;
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

    // The library reads the byte after a backslash, and after a line-ending
    // backslash the first one past the blanks, with a check that has
    // undefined behaviour for many characters outside ASCII; such texts are
    // refused (the character can be written as \uXXXX).
    bool escapeReadable(bool multiLine)
    {
        std::size_t next = at_ + 1;
        if (next < text_.size() && static_cast<unsigned char>(text_[next]) >= 0x80) {
            fail(line_, "a backslash must be followed by an escape such as \\n or \\u00e9");
            return false;
        }
        if (!multiLine || next >= text_.size() || (text_[next] != ' ' && text_[next] != '\t' && text_[next] != '\r' &&
                                                   text_[next] != '\n'))
            return true;
        while (next < text_.size() && (text_[next] == ' ' || text_[next] == '\t' || text_[next] == '\r' ||
                                       text_[next] == '\n'))
            ++next;
        if (next < text_.size() && static_cast<unsigned char>(text_[next]) >= 0x80) {
            fail(line_, "after a line-ending backslash, the text must go on with an ASCII character "
                        "(write others as \\uXXXX)");
            return false;
        }
        return true;
    }

    void newLineInText()
    {
        ++at_;
        ++line_;
        lineStart_ = at_;
    }

    std::string_view text_;
    const std::string& name_;
    const TomlLimits& limits_;
    std::size_t at_ = 0;
    std::size_t lineStart_ = 0;
    int line_ = 1;
    Place place_ = Place::key;
    int parts_ = 1;
    bool inBare_ = false;  // inside a bare value such as 12 or true
    std::vector<char> open_;  // the open arrays ('[') and inline tables ('{')
    std::optional<Error> problem_;
};

} // namespace

Status checkTomlBounds(std::string_view text, const std::string& name, const TomlLimits& limits)
{
    return BoundsScanner(text, name, limits).scan();
}

} // namespace vesk_host
