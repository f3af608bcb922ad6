#include "plant.h"

#include "text_util.h"

namespace vesk_host {

std::string Router::sourceText(std::int32_t source) const
{
    const auto named = sourceNames.find(source);
    return named != sourceNames.end() ? named->second : std::to_string(source);
}

bool Router::registered(std::int32_t destination) const
{
    for (const auto& [first, last] : registrations)
        if (destination >= first && destination <= last)
            return true;
    return false;
}

const Device* Plant::deviceByName(const std::string& name) const
{
    for (const auto& device : devices)
        if (device.name == name)
            return &device;
    return nullptr;
}

const Device* Plant::deviceByNumber(std::int32_t number) const
{
    for (const auto& device : devices)
        if (device.number == number)
            return &device;
    return nullptr;
}

Router* Plant::router(std::int32_t device)
{
    for (auto& router : routers)
        if (router.device == device)
            return &router;
    return nullptr;
}

const Router* Plant::router(std::int32_t device) const { return const_cast<Plant*>(this)->router(device); }

const Database* Plant::database(std::int32_t device, std::int32_t number) const
{
    for (const auto& database : databases)
        if (database.device == device && database.number == number)
            return &database;
    return nullptr;
}

std::string Plant::describeDevice(std::int32_t number) const
{
    const Device* device = deviceByNumber(number);
    if (!device)
        return "device " + std::to_string(number);
    return quoteText(device->name) + " (device " + std::to_string(number) + ")";
}

} // namespace vesk_host
