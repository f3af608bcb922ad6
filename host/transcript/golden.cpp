#include "transcript/golden.h"

#include <sstream>

namespace vesk_host {

bool GoldenStream::readGolden(std::string& line)
{
    if (!std::getline(golden_, line))
        return false;
    goldenLacksLineEnd_ = golden_.eof();
    return true;
}

void GoldenStream::compareLine(std::string_view actual)
{
    ++line_;
    std::string expected;
    if (goldenLacksLineEnd_ || !readGolden(expected))
        difference_ = GoldenDifference{line_, "(end of file)", std::string(actual)};
    else if (expected != actual)
        difference_ = GoldenDifference{line_, std::move(expected), std::string(actual)};
}

void GoldenStream::feed(std::string_view output)
{
    while (!difference_ && !output.empty()) {
        const std::size_t end = output.find('\n');
        if (end == std::string_view::npos) {
            pending_.append(output);
            return;
        }
        if (pending_.empty()) {
            compareLine(output.substr(0, end));
        } else {
            pending_.append(output.substr(0, end));
            compareLine(pending_);
            pending_.clear();
        }
        output.remove_prefix(end + 1);
    }
}

std::optional<GoldenDifference> GoldenStream::finish()
{
    if (difference_)
        return difference_;
    std::string expected;
    if (!pending_.empty()) {
        // The transcript's last line has no line end.
        ++line_;
        if (goldenLacksLineEnd_ || !readGolden(expected))
            return GoldenDifference{line_, "(end of file)", pending_};
        if (expected != pending_)
            return GoldenDifference{line_, expected, pending_};
        if (goldenLacksLineEnd_)
            return std::nullopt;
        if (readGolden(expected))
            return GoldenDifference{line_ + 1, expected, "(end of transcript)"};
        return GoldenDifference{line_, "(a line end)", "(no line end)"};
    }
    if (!goldenLacksLineEnd_ && readGolden(expected))
        return GoldenDifference{line_ + 1, expected, "(end of transcript)"};
    if (goldenLacksLineEnd_ && line_ > 0)
        return GoldenDifference{line_, "(no line end)", "(a line end)"};
    return std::nullopt;
}

std::optional<GoldenDifference> firstDifference(std::string_view expected, std::string_view actual)
{
    std::istringstream golden{std::string(expected)};
    GoldenStream stream(golden);
    stream.feed(actual);
    return stream.finish();
}

} // namespace vesk_host
