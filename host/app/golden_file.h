// The golden file of a run: compared with the output as it is written, or
// recorded. A recording goes to a temporary file beside the golden one and
// replaces it only when complete, so an interrupted run leaves the old one
// whole; and a golden file that is one of the run's inputs (the plant, the
// session, a panel file, the library) is refused, so a run never
// overwrites what it reads.
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
    // Comparing with `path`; a file that cannot be read is a difference, told at finish.
    static GoldenFile compareWith(const std::string& path);
    // Recording into `path`, which must not be any of `inputs` (files, or
    // folders whose files count).
    static Result<GoldenFile> recordInto(const std::string& path, const std::vector<std::filesystem::path>& inputs);

    GoldenFile(GoldenFile&&) = default;
    ~GoldenFile();

    void feed(std::string_view output);
    // Compares what is left or completes the recording. The verdict's
    // message says what differs (a golden file that cannot be read differs)
    // or what was recorded; a recording that cannot be written is an error
    // (kind unreadable).
    struct Verdict {
        bool passed;
        std::string message;
    };
    Result<Verdict> finish();

private:
    GoldenFile() = default;

    std::string path_;
    bool recording_ = false;
    std::unique_ptr<std::ifstream> golden_;
    std::unique_ptr<GoldenStream> stream_;
    std::string temporary_;
    std::unique_ptr<std::ofstream> record_;
};

} // namespace vesk_host

#endif
