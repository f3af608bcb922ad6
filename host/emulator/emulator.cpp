#include "emulator/emulator.h"

#include "plant/routing.h"

namespace vesk_host {

Emulator::Emulator(Plant plant, EventBus& events, const EmulatorOptions& options)
    : events_(events),
      plant_(std::move(plant)),
      queue_(options.budget),
      commands_{plant_, panels_, timers_, queue_, events},
      host_(commands_, events, options)
{
}

Emulator::~Emulator() { shutdown(); }

std::optional<Error> Emulator::overBudget() const
{
    if (host_.overBudget())
        return host_.overBudget();
    return queue_.refused();
}

Status Emulator::start(vesk_load_function entry, bool nullPath)
{
    beginAction();
    Status loaded = host_.load(entry, nullPath ? std::nullopt : std::optional<std::string>(plant_.path));
    if (loaded)
        deliverQueued();
    return loaded;
}

void Emulator::shutdown()
{
    host_.unload();
    if (queue_.empty())
        return;
    events_.emit(RevertivesDropped{queue_.size()});
    queue_.clear();
}

bool Emulator::spend()
{
    if (spent_ == deliveryBudget)
        events_.emit(FindingRaised{Finding{&rule::eventStorm, "one action caused more than " +
                                                                  std::to_string(deliveryBudget) +
                                                                  " deliveries; the rest of it is dropped"},
                                   0});
    if (spent_ >= deliveryBudget)
        return false;
    ++spent_;
    return true;
}

void Emulator::deliverQueued()
{
    while (!queue_.empty() && host_.running()) {
        if (!spend()) {
            queue_.clear();
            return;
        }
        const PendingRevertive next = queue_.pop();
        host_.deliverRevertive(next.device, next.index, next.text);
    }
    // With no script to hear them, revertives go nowhere.
    if (!host_.running())
        queue_.clear();
}

void Emulator::press(const std::string& panel, const std::string& control, const std::string& event)
{
    beginAction();
    spend();
    host_.deliverControl(panel, control, event);
    deliverQueued();
}

std::optional<std::string> Emulator::query(const std::optional<std::string>& text)
{
    beginAction();
    spend();
    auto answer = host_.deliverQuery(text);
    deliverQueued();
    return answer;
}

void Emulator::revertive(std::int32_t device, std::int32_t index, const std::string& text)
{
    beginAction();
    spend();
    host_.deliverRevertive(device, index, text);
    deliverQueued();
}

void Emulator::advance(std::int64_t milliseconds)
{
    beginAction();
    const std::int64_t target = timers_.now() + milliseconds;
    while (host_.running()) {
        const auto next = timers_.next();
        if (!next || next->due > target || !spend())
            break;
        timers_.setNow(next->due);
        timers_.rearm(next->id);
        host_.deliverTimer(next->id, next->due);
        deliverQueued();
    }
    timers_.setNow(target);
}

void Emulator::tick(std::int32_t id)
{
    beginAction();
    if (!host_.running())
        return;
    spend();
    host_.deliverTimer(id, timers_.now());
    deliverQueued();
}

void* Emulator::deliverCode(int code, void* data, const std::string& shown)
{
    beginAction();
    spend();
    void* result = host_.deliverCode(code, data, shown);
    deliverQueued();
    return result;
}

void* Emulator::askQuery(const std::optional<std::string>& text, std::optional<std::string>& answer)
{
    beginAction();
    spend();
    void* pointer = host_.askQuery(text, answer);
    deliverQueued();
    return pointer;
}

void Emulator::handBackAnswer(void* answer)
{
    beginAction();
    host_.handBackAnswer(answer);
    deliverQueued();
}

void Emulator::route(Router& router, std::int32_t source, std::int32_t destination)
{
    beginAction();
    takeCrosspoint(router, source, destination, queue_);
    deliverQueued();
}

void Emulator::poll(const Router& router, std::int32_t first, std::int32_t last)
{
    beginAction();
    pollDestinations(router, first, last, queue_);
    deliverQueued();
}

} // namespace vesk_host
