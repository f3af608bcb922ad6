#include "emulator/emulator.h"

#include <stdexcept>

#include "plant/routing.h"

namespace vesk_host {

Emulator::Position::Position(std::string name_, std::optional<std::string> path_,
                             std::optional<std::filesystem::path> folder, Plant& plant, Timers& timers,
                             RevertiveQueue& queue, EventBus& events, int number, const EmulatorOptions& options)
    : name(std::move(name_)),
      path(std::move(path_)),
      panelFolder(std::move(folder)),
      commands{plant, panels, timers, queue, events, number, path ? &*path : nullptr,
               panelFolder ? &*panelFolder : nullptr},
      host(commands, events, options)
{
}

Emulator::Emulator(Plant plant, EventBus& events, const EmulatorOptions& options,
                   const std::vector<PositionSetup>& positions)
    : events_(events), plant_(std::move(plant)), queue_(options.budget)
{
    const std::vector<PositionSetup> one(1);
    const auto& setups = positions.empty() ? one : positions;
    for (const PositionSetup& setup : setups) {
        if (setups.size() > 1 && setup.name.empty())
            throw std::invalid_argument("every position of a studio needs a name");
        positions_.push_back(std::make_unique<Position>(setup.name, setup.path, setup.panelFolder, plant_, timers_,
                                                        queue_, events_, static_cast<int>(positions_.size()),
                                                        options));
        names_.push_back(setup.name);
    }
}

Emulator::~Emulator()
{
    shutdown();
    // Newest first: each script host puts back the free guard it found.
    while (!positions_.empty())
        positions_.pop_back();
}

std::optional<std::size_t> Emulator::positionNamed(const std::string& name) const
{
    for (std::size_t at = 0; at < positions_.size(); ++at)
        if (positions_[at]->name == name)
            return at;
    return std::nullopt;
}

bool Emulator::anyRunning() const
{
    for (const auto& position : positions_)
        if (position->host.running())
            return true;
    return false;
}

void Emulator::setAbi(std::optional<AbiKind> kind)
{
    for (auto& position : positions_)
        position->host.setAbi(kind);
}

OriginScope Emulator::as(std::size_t at) const
{
    return OriginScope(events_, Origin{static_cast<int>(at), positions_[at]->name});
}

std::optional<Error> Emulator::overBudget() const
{
    for (const auto& position : positions_)
        if (position->host.overBudget())
            return position->host.overBudget();
    return queue_.refused();
}

Status Emulator::start(vesk_load_function entry, bool nullPath, std::size_t at)
{
    beginAction();
    Position& position = *positions_[at];
    Status loaded = [&] {
        const auto scope = as(at);
        const std::string& path = position.path ? *position.path : plant_.path;
        return position.host.load(entry, nullPath ? std::nullopt : std::optional<std::string>(path));
    }();
    if (loaded)
        deliverQueued();
    return loaded;
}

void Emulator::shutdown(std::size_t at)
{
    {
        const auto scope = as(at);
        positions_[at]->host.unload();
        // What was on its way to this script goes nowhere now.
        if (const std::size_t dropped = queue_.dropFor(static_cast<int>(at)); dropped > 0)
            events_.emit(RevertivesDropped{dropped});
    }
    // What its destructor caused still reaches the others.
    deliverQueued();
}

void Emulator::shutdown()
{
    for (std::size_t at = 0; at < positions_.size(); ++at)
        shutdown(at);
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
    while (!queue_.empty()) {
        const PendingRevertive next = queue_.pop();
        const auto at = static_cast<std::size_t>(next.position);
        // With no script to hear it, a revertive goes nowhere.
        if (at >= positions_.size() || !positions_[at]->host.running())
            continue;
        if (!spend()) {
            queue_.clear();
            return;
        }
        const auto scope = as(at);
        positions_[at]->host.deliverRevertive(next.device, next.index, next.text);
    }
}

void Emulator::press(const std::string& panel, const std::string& control, const std::string& event, std::size_t at)
{
    beginAction();
    spend();
    {
        const auto scope = as(at);
        positions_[at]->host.deliverControl(panel, control, event);
    }
    deliverQueued();
}

std::optional<std::string> Emulator::query(const std::optional<std::string>& text, std::size_t at)
{
    beginAction();
    spend();
    std::optional<std::string> answer;
    {
        const auto scope = as(at);
        answer = positions_[at]->host.deliverQuery(text);
    }
    deliverQueued();
    return answer;
}

void Emulator::revertive(std::int32_t device, std::int32_t index, const std::string& text, std::size_t at)
{
    beginAction();
    spend();
    {
        const auto scope = as(at);
        positions_[at]->host.deliverRevertive(device, index, text);
    }
    deliverQueued();
}

void Emulator::advance(std::int64_t milliseconds)
{
    beginAction();
    const std::int64_t target = timers_.now() + milliseconds;
    while (anyRunning()) {
        const auto next = timers_.next();
        if (!next || next->due > target)
            break;
        const auto at = static_cast<std::size_t>(next->position);
        // A timer of a script that has ended never ticks again.
        if (at >= positions_.size() || !positions_[at]->host.running()) {
            timers_.stop(next->id, next->position);
            continue;
        }
        if (!spend())
            break;
        timers_.setNow(next->due);
        timers_.rearm(next->id, next->position);
        {
            const auto scope = as(at);
            positions_[at]->host.deliverTimer(next->id, next->due);
        }
        deliverQueued();
    }
    timers_.setNow(target);
}

void Emulator::tick(std::int32_t id, std::size_t at)
{
    beginAction();
    if (!positions_[at]->host.running())
        return;
    spend();
    {
        const auto scope = as(at);
        positions_[at]->host.deliverTimer(id, timers_.now());
    }
    deliverQueued();
}

void* Emulator::deliverCode(int code, void* data, const std::string& shown, std::size_t at)
{
    beginAction();
    spend();
    void* result = nullptr;
    {
        const auto scope = as(at);
        result = positions_[at]->host.deliverCode(code, data, shown);
    }
    deliverQueued();
    return result;
}

void* Emulator::askQuery(const std::optional<std::string>& text, std::optional<std::string>& answer, std::size_t at)
{
    beginAction();
    spend();
    void* pointer = nullptr;
    {
        const auto scope = as(at);
        pointer = positions_[at]->host.askQuery(text, answer);
    }
    deliverQueued();
    return pointer;
}

void Emulator::handBackAnswer(void* answer, std::size_t at)
{
    beginAction();
    {
        const auto scope = as(at);
        positions_[at]->host.handBackAnswer(answer);
    }
    deliverQueued();
}

void Emulator::route(Router& router, std::int32_t source, std::int32_t destination)
{
    beginAction();
    takeCrosspoint(router, source, destination, queue_);
    deliverQueued();
}

void Emulator::poll(const Router& router, std::int32_t first, std::int32_t last, std::size_t at)
{
    beginAction();
    pollDestinations(router, first, last, queue_, static_cast<int>(at));
    deliverQueued();
}

} // namespace vesk_host
