#include "app/fatal_output.h"

#include <cstring>

#include "base/fixed_text.h"
#include "base/write_all.h"
#include "traps/fatal_watch.h"


namespace vesk_host {

namespace {

Output* watchedOutput = nullptr;
bool watchedJson = false;

void reportToRun(const fatal::Report& report)
{
    if (watchedOutput)
        watchedOutput->flushFromSignal();
    static char line[4096];
    fatalLine(line, sizeof line, watchedJson, report.rule->name, report.message);
    writeAll(1, line, std::strlen(line));
    static char said[4096];
    FixedText out(said, sizeof said);
    out.text("vesk_host: the script ended the run: ");
    out.text(report.rule->name);
    out.text(": ");
    out.text(report.message);
    out.text("\n");
    writeAll(2, said, out.length());
}

} // namespace

void fatalLine(char* buffer, std::size_t size, bool json, const char* rule, const char* message)
{
    FixedText out(buffer, size);
    if (json) {
        out.text("{\"kind\":\"finding\",\"depth\":0,\"severity\":\"violation\",\"rule\":\"");
        out.text(rule);
        out.text("\",\"message\":\"");
        out.json(message);
        out.text("\"}\n");
    } else {
        out.text("!! VIOLATION ");
        out.text(rule);
        out.text(": ");
        out.text(message);
        out.text("\n");
    }
}

void watchRun(Output& out, bool json, double timeoutSeconds)
{
    watchedOutput = &out;
    watchedJson = json;
    fatal::install(reportToRun, timeoutSeconds);
    fatal::arm();
}

void runEnded() { fatal::disarm(); }

} // namespace vesk_host
