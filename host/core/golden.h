// Comparing a transcript with a recorded ("golden") one, line by line.
#ifndef VESK_HOST_GOLDEN_H
#define VESK_HOST_GOLDEN_H

#include <optional>
#include <string>
#include <string_view>

namespace vesk_host {

struct GoldenDifference {
    int line = 0;          // 1-based
    std::string expected;  // the golden line, or "(end of file)"
    std::string actual;    // the new line, or "(end of transcript)"
};

// The first line where the two differ; nothing when they are equal.
std::optional<GoldenDifference> firstDifference(std::string_view expected, std::string_view actual);

} // namespace vesk_host

#endif
