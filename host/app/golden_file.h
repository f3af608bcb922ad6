// The golden file of a run: compared with the output as it is written, or
// recorded. A recording goes to a temporary file beside the golden one and
// replaces it only when complete, so an interrupted run leaves the old one
// whole; and a golden file that is one of the run's inputs (the plant, the
// session, a panel file, the library) is refused, so a run never
// overwrites what it reads. Every difference ends with the command line
// that records the file again.
#ifndef VESK_HOST_GOLDEN_FILE_H
#define VESK_HOST_GOLDEN_FILE_H

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "transcript/golden.h"

namespace vesk_host {

class GoldenFile {
public:
    // Comparing with `path`; a file that cannot be read is a difference, told
    // at finish. `recordCommand` is the command line that records it again.
    static GoldenFile compareWith(const std::string& path, const std::string& recordCommand);
    // Recording into `path`, which must not be any of `inputs` (files, or
    // folders whose files count).
    static Result<GoldenFile> recordInto(const std::string& path, const std::vector<std::filesystem::path>& inputs);

    GoldenFile(GoldenFile&&) = default;
    ~GoldenFile();

    void feed(std::string_view output);
    // While on, output is neither compared nor recorded (the final panel
    // table of a golden file kept without it).
    void setSkipping(bool on) { skipping_ = on; }
    // Compares what is left or completes the recording. The verdict's
    // message says what differs (a golden file that cannot be read differs,
    // each with the command that records it again) or what was recorded; a
    // recording that cannot be written is an error (kind unreadable).
    struct Verdict {
        bool passed;
        std::string message;
    };
    Result<Verdict> finish();

private:
    GoldenFile() = default;

    std::string path_;
    std::string recordCommand_;
    bool recording_ = false;
    bool skipping_ = false;
    std::unique_ptr<std::ifstream> golden_;
    std::unique_ptr<GoldenStream> stream_;
    std::string temporary_;
    std::unique_ptr<std::ofstream> record_;
};

// A command line for a POSIX shell: each argument as it is when it is made
// of letters, digits and "_-./=:,+@%" only, else in apostrophes.
std::string shellCommand(const std::vector<std::string>& arguments);

} // namespace vesk_host

#endif
