#include "app/golden_file.h"

#include <cstdio>
#include <system_error>

#include "base/platform.h"

namespace vesk_host {

namespace {

namespace fs = std::filesystem;

// The input `golden` is, if any: the same file after links are resolved.
std::optional<fs::path> sameAsInput(const fs::path& golden, const std::vector<fs::path>& inputs)
{
    std::error_code error;
    if (!fs::exists(golden, error))
        return std::nullopt;
    // Panel folders may be large; a bound keeps the check quick.
    constexpr int mostFiles = 20000;
    int looked = 0;
    for (const fs::path& input : inputs) {
        if (fs::is_directory(input, error)) {
            for (auto it = fs::recursive_directory_iterator(input, error);
                 !error && it != fs::recursive_directory_iterator() && looked < mostFiles; it.increment(error), ++looked)
                if (fs::equivalent(golden, it->path(), error))
                    return it->path();
            continue;
        }
        if (fs::equivalent(golden, input, error))
            return input;
    }
    return std::nullopt;
}

} // namespace

GoldenFile GoldenFile::compareWith(const std::string& path, const std::string& recordCommand)
{
    GoldenFile file;
    file.path_ = path;
    file.recordCommand_ = recordCommand;
    file.golden_ = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (*file.golden_)
        file.stream_ = std::make_unique<GoldenStream>(*file.golden_);
    return file;
}

Result<GoldenFile> GoldenFile::recordInto(const std::string& path, const std::vector<fs::path>& inputs)
{
    if (const auto input = sameAsInput(path, inputs))
        return fail("the golden file " + path + " is " + input->string() +
                    ", which this run reads; it is left as it is (name another file)");
    GoldenFile file;
    file.path_ = path;
    file.recording_ = true;
    file.temporary_ = path + ".tmp-" + std::to_string(processId());
    file.record_ = std::make_unique<std::ofstream>(file.temporary_, std::ios::binary | std::ios::trunc);
    if (!*file.record_)
        return fail("cannot write the golden file " + path + " (cannot create " + file.temporary_ + ")");
    return file;
}

GoldenFile::~GoldenFile()
{
    // A recording that never finished leaves the old golden file whole.
    if (record_) {
        record_.reset();
        std::remove(temporary_.c_str());
    }
}

void GoldenFile::feed(std::string_view output)
{
    if (skipping_)
        return;
    if (record_)
        record_->write(output.data(), static_cast<std::streamsize>(output.size()));
    else if (stream_)
        stream_->feed(output);
}

Result<GoldenFile::Verdict> GoldenFile::finish()
{
    if (recording_) {
        record_->close();
        const bool written = !record_->fail();
        record_.reset();
        std::error_code error;
        if (written)
            fs::rename(temporary_, path_, error);
        if (!written || error) {
            std::remove(temporary_.c_str());
            return fail(ErrorKind::unreadable,
                        "cannot write the golden file " + path_ + (error ? ": " + error.message() : std::string()));
        }
        return Verdict{true, "recorded " + path_};
    }
    const std::string recordAgain = "\n  record it (once the new output is what you want):\n    " + recordCommand_;
    if (!stream_)
        return Verdict{false, "cannot read the golden file " + path_ + recordAgain};
    const auto difference = stream_->finish();
    if (!difference)
        return Verdict{true, std::string()};
    return Verdict{false, "the output differs from " + path_ + " at line " + std::to_string(difference->line) +
                              "\n  golden: " + difference->expected + "\n  now:    " + difference->actual +
                              recordAgain};
}

std::string shellCommand(const std::vector<std::string>& arguments)
{
    std::string command;
    for (const std::string& argument : arguments) {
        if (!command.empty())
            command += ' ';
        const bool plain = !argument.empty() && argument.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                                            "abcdefghijklmnopqrstuvwxyz"
                                                                            "0123456789_-./=:,+@%") == std::string::npos;
        if (plain) {
            command += argument;
            continue;
        }
        command += '\'';
        for (const char c : argument)
            command += c == '\'' ? std::string("'\\''") : std::string(1, c);
        command += '\'';
    }
    return command;
}

} // namespace vesk_host
