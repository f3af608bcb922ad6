// The check of state shared between instances: a host loads a library once
// and makes one script object per panel from it, so whatever the script
// keeps in globals or statics the instances share.
#include "validator/checks.h"

#include <filesystem>
#include <system_error>

#include "base/platform.h"
#include "base/text_util.h"
#include "validator/script_run.h"

namespace vesk_host::validator {

namespace {

// The command texts the script at one position sends, in order.
class PositionCommands final : public EventObserver {
public:
    explicit PositionCommands(int position) : position_(position) {}
    void observe(const HostEvent&) override {}
    void observeFrom(const HostEvent& event, const Origin& origin) override
    {
        if (origin.position != position_)
            return;
        if (const auto* sent = std::get_if<CommandSent>(&event))
            texts.push_back(sent->text ? *sent->text : std::string("(null)"));
    }
    std::vector<std::string> texts;

private:
    int position_;
};

// Two instances on the check's plant: the first from `firstLibrary`, the
// second from the check's library. The first is driven through the
// workload, then the second; what the second sent, or nothing when the
// run could not be had (the check then says why).
std::optional<std::vector<std::string>> secondInstance(CheckContext& context, const std::string& firstLibrary)
{
    RunPlan plan = planOf(context.setup());
    plan.library = firstLibrary;
    plan.positions = {ScriptPosition{"first", firstLibrary, std::nullopt, std::nullopt},
                      ScriptPosition{"second", context.setup().library, std::nullopt, std::nullopt}};
    // Before the Rig: they hear the scripts' end.
    TrailTranscript trail(context.trail());
    PositionCommands second(1);
    Rig rig(std::move(plan));
    rig.events().subscribe(trail);
    rig.events().subscribe(second);
    const auto ended = [&] {
        rig.finish();
        rig.unload();
        rig.events().unsubscribe(second);
        rig.events().unsubscribe(trail);
    };
    if (const Status opened = rig.open(); !opened) {
        ended();
        context.fail(opened.error().message);
        return std::nullopt;
    }
    if (const Status started = rig.startUp(); !started) {
        ended();
        context.fail(started.error().message);
        return std::nullopt;
    }
    driveWorkload(rig.emulator(), 0);
    driveWorkload(rig.emulator(), 1);
    ended();
    judge(rig.tally(), context);
    return std::move(second.texts);
}

// A copy of the library under another name, which the loader takes for
// another module with statics of its own; removed when it goes. Made beside
// the library where the folder can be written, so that the libraries it
// needs (the string library, found beside it) are found for the copy too;
// else in the temporary folder.
class LibraryCopy {
public:
    explicit LibraryCopy(const std::string& library)
    {
        const std::filesystem::path from(library);
        const std::string name = "vesk_host_instance_" + std::to_string(processId()) + "_" + from.filename().string();
        path_ = from.parent_path() / name;
        std::filesystem::copy_file(from, path_, std::filesystem::copy_options::overwrite_existing, error_);
        if (error_) {
            error_.clear();
            path_ = std::filesystem::temp_directory_path(error_) / name;
            if (!error_)
                std::filesystem::copy_file(from, path_, std::filesystem::copy_options::overwrite_existing, error_);
        }
    }
    ~LibraryCopy()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    LibraryCopy(const LibraryCopy&) = delete;
    LibraryCopy& operator=(const LibraryCopy&) = delete;

    const std::error_code& error() const { return error_; }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
    std::error_code error_;
};

} // namespace

void checkSharedState(CheckContext& context)
{
    LibraryCopy copy(context.setup().library);
    if (copy.error()) {
        context.skip("no copy of the library could be made to load a fresh module (" + copy.error().message() + ")");
        return;
    }
    // A fresh instance: the first from a module of its own.
    context.trail().line("-- the second instance beside a first from another module");
    const auto fresh = secondInstance(context, copy.path());
    if (!fresh)
        return;
    // Then both from the one module, as a host loads it.
    context.trail().line("-- both instances from one module");
    const auto shared = secondInstance(context, context.setup().library);
    if (!shared)
        return;
    std::size_t at = 0;
    while (at < fresh->size() && at < shared->size() && (*fresh)[at] == (*shared)[at])
        ++at;
    if (at == fresh->size() && at == shared->size()) {
        context.note("the second instance sent the same " + std::to_string(shared->size()) +
                     " command(s) as beside a first from another module");
        return;
    }
    const auto shown = [at](const std::vector<std::string>& texts) {
        return at < texts.size() ? quoteText(texts[at]) : std::string("nothing more");
    };
    context.fail(std::string(rule::sharedState.name) + ": a second instance of the script, made from the same " +
                 "loaded module after the first had been driven, sent " + shown(*shared) + " as its command " +
                 std::to_string(at + 1) + " where a fresh instance sent " + shown(*fresh) +
                 ": the instances share state (a global or a static)");
}

} // namespace vesk_host::validator
