#include "golden.h"

namespace vesk_host {

namespace {

// The next line from `text` at `at` (without its "\n"), or nothing at the end.
std::optional<std::string_view> nextLine(std::string_view text, std::size_t& at)
{
    if (at >= text.size())
        return std::nullopt;
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
        end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line;
}

} // namespace

std::optional<GoldenDifference> firstDifference(std::string_view expected, std::string_view actual)
{
    std::size_t expectedAt = 0;
    std::size_t actualAt = 0;
    for (int line = 1;; ++line) {
        const auto want = nextLine(expected, expectedAt);
        const auto got = nextLine(actual, actualAt);
        if (!want && !got) {
            // Same lines; a missing final line end still counts as a difference.
            if (expected.size() == actual.size())
                return std::nullopt;
            const bool expectedEnds = expected.size() > actual.size();
            return GoldenDifference{line - 1, expectedEnds ? "(a line end)" : "(no line end)",
                                    expectedEnds ? "(no line end)" : "(a line end)"};
        }
        if (want && got && *want == *got)
            continue;
        return GoldenDifference{line, want ? std::string(*want) : "(end of file)",
                                got ? std::string(*got) : "(end of transcript)"};
    }
}

} // namespace vesk_host
