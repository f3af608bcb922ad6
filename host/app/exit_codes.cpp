#include "app/exit_codes.h"

#include <cstddef>
#include <string_view>

namespace vesk_host {

namespace {

struct ExitCodeRow {
    ExitCode code;
    const char* run;       // what it means for run (and serve)
    const char* validate;  // what it means for validate; null: validate never exits so
};

const ExitCodeRow rows[] = {
    {exitSuccess, "the run finished: no rule broken, every expectation met, golden file equal",
     "every check passed; warnings and skips allowed (warnings fail with `--strict`)"},
    {exitViolation,
     "the script broke an interface rule (a violation; warnings do not count), crashed, ended the process or hung",
     "a check failed, crashed or timed out"},
    {exitExpectation, "an expectation failed, or the output differs from the golden file", nullptr},
    {exitUsage,
     "bad command line, plant file or session file, a plant over the memory budget, or a session step that could "
     "not be carried out (such as pressing a control the panel does not have; at the prompt too, when steps were "
     "piped in, and for a prompt line over 1 MiB)",
     "the validator could not run: bad arguments, an unreadable plant, no check selected, or a report that cannot "
     "be written"},
    {exitLoad, "the library cannot be loaded, does not export `load_vesk_client_script`, or the export returned null",
     "the library cannot be loaded, lacks the export, or crashes while loading"},
    {exitEmulator, "the emulator itself failed: its own fault or limit, never the script's doing", nullptr},
};

// "  3  text..." wrapped at about 100 columns, backquotes dropped.
std::string helpRow(int code, std::string_view meaning)
{
    constexpr std::size_t width = 100;
    const std::string indent = "     ";
    std::string text = "  " + std::to_string(code) + "  ";
    std::size_t column = text.size();
    std::size_t at = 0;
    while (at < meaning.size()) {
        std::size_t end = meaning.find(' ', at);
        if (end == std::string_view::npos)
            end = meaning.size();
        std::string word;
        for (const char c : meaning.substr(at, end - at))
            if (c != '`')
                word += c;
        if (column + word.size() + 1 > width && column > indent.size()) {
            text += "\n" + indent;
            column = indent.size();
        } else if (at > 0) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
        at = end + 1;
    }
    return text + "\n";
}

std::string table(const char* ExitCodeRow::*meaning)
{
    std::string markdown = "| code | meaning |\n|---|---|\n";
    for (const ExitCodeRow& row : rows)
        if (row.*meaning)
            markdown += "| " + std::to_string(row.code) + " | " + row.*meaning + " |\n";
    return markdown;
}

} // namespace

std::string exitCodeHelp()
{
    std::string help = "Exit codes (when several apply, the highest):\n";
    for (const ExitCodeRow& row : rows)
        help += helpRow(row.code, row.run);
    return help;
}

std::string validateExitCodeHelp()
{
    std::string help = "Exit codes:\n";
    for (const ExitCodeRow& row : rows)
        if (row.validate)
            help += helpRow(row.code, row.validate);
    return help;
}

std::string exitCodeTableMarkdown() { return table(&ExitCodeRow::run); }
std::string validateExitCodeTableMarkdown() { return table(&ExitCodeRow::validate); }

} // namespace vesk_host
