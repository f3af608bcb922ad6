// Comparing a transcript with a recorded ("golden") one, line by line, as
// the transcript is written: nothing of either is held beyond the line at
// hand.
#ifndef VESK_HOST_GOLDEN_H
#define VESK_HOST_GOLDEN_H

#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace vesk_host {

struct GoldenDifference {
    int line = 0;          // 1-based
    std::string expected;  // the golden line, or "(end of file)"
    std::string actual;    // the new line, or "(end of transcript)"
};

class GoldenStream {
public:
    // Reads the golden lines from `golden`, which must outlive the stream.
    explicit GoldenStream(std::istream& golden) : golden_(golden) {}
    // The next piece of the transcript, in any size.
    void feed(std::string_view output);
    // The first line where the two differ; nothing when they are equal.
    std::optional<GoldenDifference> finish();

private:
    void compareLine(std::string_view actual);
    bool readGolden(std::string& line);

    std::istream& golden_;
    std::string pending_;  // the transcript's unfinished line
    int line_ = 0;
    bool goldenLacksLineEnd_ = false;  // the last golden line read had no "\n"
    std::optional<GoldenDifference> difference_;
};

// The first line where the two texts differ; nothing when they are equal.
std::optional<GoldenDifference> firstDifference(std::string_view expected, std::string_view actual);

} // namespace vesk_host

#endif
