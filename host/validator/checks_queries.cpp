// Checks of parent queries and of the release rule on the script's answers.
#include "validator/checks.h"

#include <vector>

#include "validator/script_run.h"

namespace vesk_host::validator {

namespace {

std::string dotted(int dots, const std::string& end)
{
    std::string text = "name";
    for (int i = 0; i < dots; ++i)
        text += ".p" + std::to_string(i);
    return text + end;
}

const std::vector<std::optional<std::string>>& queryTexts()
{
    static const std::vector<std::optional<std::string>> texts = {
        std::nullopt,
        std::string(),
        std::string("_events"),
        std::string("_commands"),
        std::string("return=all"),
        std::string("return=none"),
        std::string("a.b.c=v"),
        std::string("a=b.c"),
        std::string("a.b=c=d"),
        std::string("="),
        std::string("."),
        std::string("a..b"),
        std::string("a.b."),
        dotted(31, "=v"),
        dotted(32, "=v"),
        dotted(40, "=v"),
        std::string(100000, '.'),
        std::string(100000, 'x'),
        "x=" + std::string(100000, 'y'),
        std::string("it's=a 'b' c"),
        std::string("%1%2%s%n=%d"),
        std::string("line\nbreak=tab\there"),
        std::string("\xff\xfe=\x80\x01"),
    };
    return texts;
}

} // namespace

void checkQueries(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    int answered = 0;
    for (const auto& text : queryTexts())
        if (run.emulator().running())
            answered += run.emulator().query(text).has_value();
    run.finish();
    run.judge();
    context.note(std::to_string(queryTexts().size()) + " queries, " + std::to_string(answered) +
                 " answered with a text");
}

void checkHeldAnswers(CheckContext& context)
{
    ScriptRun run(context);
    if (!run.start())
        return;
    Emulator& emulator = run.emulator();
    // Every answer is held while more queries and events come, as a host
    // that reads its answers later would, then handed back newest first.
    std::vector<void*> held;
    const auto ask = [&] {
        for (const auto& query : queryTexts()) {
            std::optional<std::string> text;
            if (void* answer = emulator.askQuery(query, text))
                held.push_back(answer);
        }
    };
    ask();
    if (held.empty()) {
        run.finish();
        run.judge();
        context.skip("the script answered no query with a text, so it hands out nothing to hold");
        return;
    }
    for (const auto& [id, panel] : emulator.panels().all()) {
        if (!panel.controls.empty())
            emulator.press(id, panel.controls.front().id, "index=1");
        break;
    }
    emulator.advance(1000);
    ask();
    const std::size_t count = held.size();
    for (auto answer = held.rbegin(); answer != held.rend(); ++answer)
        emulator.handBackAnswer(*answer);
    run.finish();
    run.judge();
    context.note(std::to_string(count) + " answers held together, then handed back newest first");
}

} // namespace vesk_host::validator
