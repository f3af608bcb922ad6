#include "vesk/testing/fake_host.h"

#include <cstdio>
#include <cstring>

#include "vesk/testing/deliveries.h"
#include "vesk/testing/script_loader.h"

namespace vesk::testing {

namespace {

// Bounds that keep a script which answers every revertive with another
// command, or a timer of interval 1 over a long advance, from running away.
constexpr int mostRevertives = 10000;
constexpr int mostTicks = 100000;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

FakeHost::FakeHost() = default;

FakeHost::~FakeHost()
{
    if (script_)
        shutdown();
}

void FakeHost::violation(const std::string& what) { violations_.push_back(what + " (during " + action_ + ")"); }

void FakeHost::begin(const std::string& action)
{
    action_ = action;
    commands_.clear();
}

void FakeHost::end()
{
    int delivered = 0;
    while (!queue_.empty() && script_) {
        if (++delivered > mostRevertives) {
            violation("more than " + std::to_string(mostRevertives) + " revertives in one action: the rest were dropped");
            break;
        }
        const PendingRevertive next = queue_.front();
        queue_.erase(queue_.begin());
        ++depth_;
        deliver::revertive(*script_, next.device, next.index, next.text.c_str());
        --depth_;
    }
    queue_.clear();
    for (Handed& handed : handed_)
        if (!handed.returned && !handed.reported) {
            violation("the reply " + quoted(handed.text.get()) + " to " + quoted(handed.command) +
                      " was not handed back with code 5");
            handed.reported = true;
        }
    for (const std::string& owed : nullsOwed_)
        violation("the null reply to " + quoted(owed) + " was not handed back with code 5");
    nullsOwed_.clear();
}

bool FakeHost::needsScript(const std::string& action)
{
    begin(action);
    if (script_)
        return true;
    violation("no script is running");
    return false;
}

bool FakeHost::start(vesk_load_function entry, const std::string& folder)
{
    begin("start-up");
    if (script_) {
        violation("a script is running already");
        return false;
    }
    ended_ = false;
    ++depth_;
    script_ = entry ? entry(this, folder.c_str()) : nullptr;
    --depth_;
    if (!script_)
        violation("load_vesk_client_script returned null");
    end();
    return script_ != nullptr;
}

bool FakeHost::load(const std::string& library, const std::string& folder)
{
    std::string why;
    const vesk_load_function entry = loadScriptExport(library.c_str(), &why);
    if (!entry) {
        begin("start-up");
        violation(library + ": " + why);
        return false;
    }
    return start(entry, folder);
}

void FakeHost::shutdown()
{
    if (!needsScript("shutdown"))
        return;
    vesk_client_callback* script = script_;
    ++depth_;
    delete script;
    --depth_;
    script_ = nullptr;
    end();
}

void FakeHost::press(const std::string& control, const std::string& event, const std::string& panel)
{
    if (needsScript("control event " + quoted(control) + " " + quoted(event))) {
        ++depth_;
        deliver::control(*script_, panel.c_str(), control.c_str(), event.c_str());
        --depth_;
    }
    end();
}

void FakeHost::revertive(int device, int index, const std::string& text)
{
    if (needsScript("revertive " + std::to_string(device) + " " + std::to_string(index) + " " + quoted(text))) {
        ++depth_;
        deliver::revertive(*script_, device, index, text.c_str());
        --depth_;
    }
    end();
}

std::optional<std::string> FakeHost::query(const std::string& text)
{
    std::optional<std::string> answer;
    if (needsScript("parent query " + quoted(text))) {
        ++depth_;
        answer = deliver::parentQuery(*script_, text.c_str());
        --depth_;
    }
    end();
    return answer;
}

void FakeHost::tick(int id)
{
    if (needsScript("timer " + std::to_string(id))) {
        ++depth_;
        deliver::timer(*script_, id);
        --depth_;
    }
    end();
}

void FakeHost::advance(std::int64_t milliseconds)
{
    begin("advance " + std::to_string(milliseconds));
    const std::int64_t until = now_ + (milliseconds > 0 ? milliseconds : 0);
    std::vector<std::string> gathered;
    for (int ticks = 0; script_; ++ticks) {
        auto next = due_.end();
        for (auto it = due_.begin(); it != due_.end(); ++it)
            if (it->second <= until && (next == due_.end() || it->second < next->second))
                next = it;
        if (next == due_.end())
            break;
        if (ticks == mostTicks) {
            violation("more than " + std::to_string(mostTicks) + " timer ticks in one advance: the rest were dropped");
            break;
        }
        const int id = next->first;
        now_ = next->second;
        const auto interval = plant_.timers().find(id);
        next->second += interval != plant_.timers().end() ? interval->second : 0;
        ++depth_;
        deliver::timer(*script_, id);
        --depth_;
        end();
        gathered.insert(gathered.end(), commands_.begin(), commands_.end());
        commands_.clear();
    }
    now_ = until;
    commands_ = std::move(gathered);
}

void* FakeHost::callback(void* data, int code)
{
    if (code == VESK_CODE_COMMAND)
        return command(static_cast<const char*>(data));
    if (code == VESK_CODE_RELEASE) {
        release(data);
        return nullptr;
    }
    violation("the script called the host with code " + std::to_string(code) + "; a host takes only 0 and 5");
    return nullptr;
}

void* FakeHost::command(const char* text)
{
    if (!text) {
        violation("a null command text");
        return nullptr;
    }
    const std::string sent(text);
    commands_.push_back(sent);
    all_.push_back(sent);
    if (depth_ == 0)
        violation(quoted(sent) + " was sent outside any call of the host");
    if (ended_)
        violation(quoted(sent) + " came after \"AS\"");
    const Answer answer = plant_.execute(sent, queue_);
    if (!answer.problem.empty())
        violation("malformed command " + answer.problem);
    if (sent == "AS")
        ended_ = true;
    int id = 0;
    int interval = 0;
    if (answer.problem.empty() && std::sscanf(text, "ET %d %d", &id, &interval) >= 1) {
        if (plant_.timers().count(id) && interval > 0)
            due_[id] = now_ + interval;
        else
            due_.erase(id);
    }
    switch (answer.kind) {
    case Answer::Kind::word: return reinterpret_cast<void*>(answer.word);
    case Answer::Kind::null:
        if (answer.handBackNull)
            nullsOwed_.push_back(sent);
        return nullptr;
    case Answer::Kind::text: break;
    }
    // Kept until the host ends, so that every reply has an address of its own.
    Handed handed;
    handed.command = sent;
    handed.text = std::make_unique<char[]>(answer.text.size() + 1);
    std::memcpy(handed.text.get(), answer.text.c_str(), answer.text.size() + 1);
    handed_.push_back(std::move(handed));
    return handed_.back().text.get();
}

void FakeHost::release(void* data)
{
    if (!data) {
        if (!nullsOwed_.empty())
            nullsOwed_.erase(nullsOwed_.begin());
        return;
    }
    for (Handed& handed : handed_) {
        if (handed.text.get() != data)
            continue;
        if (handed.returned)
            violation("the reply " + quoted(handed.text.get()) + " to " + quoted(handed.command) +
                      " was handed back a second time");
        handed.returned = true;
        return;
    }
    violation("code 5 with a pointer this host never handed out");
}

} // namespace vesk::testing
