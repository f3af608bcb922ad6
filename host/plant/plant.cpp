#include "plant/plant.h"

#include "base/text_util.h"

namespace vesk_host {

std::string Router::sourceText(std::int32_t source) const
{
    const auto named = sourceNames.find(source);
    return named != sourceNames.end() ? named->second : std::to_string(source);
}

bool Router::registered(std::int32_t destination) const
{
    for (const Registration& range : registrations)
        if (destination >= range.first && destination <= range.last)
            return true;
    return false;
}

namespace {

std::int64_t databaseKey(std::int32_t device, std::int32_t number)
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(device)) << 32 |
                                     static_cast<std::uint32_t>(number));
}

template <class Map, class Key, class List> auto* found(const Map& map, const Key& key, List& list)
{
    const auto at = map.find(key);
    return at == map.end() ? nullptr : &list[at->second];
}

} // namespace

void Plant::reindex() const { indexes_ = Indexes{}; }

void Plant::catchUp() const
{
    if (indexes_.devices > devices.size() || indexes_.routers > routers.size() ||
        indexes_.databases > databases.size())
        reindex();
    for (; indexes_.devices < devices.size(); ++indexes_.devices) {
        const Device& device = devices[indexes_.devices];
        indexes_.byName.emplace(device.name, indexes_.devices);
        for (const auto& name : device.otherNames)
            indexes_.byName.emplace(name, indexes_.devices);
        indexes_.byNumber.emplace(device.number, indexes_.devices);
    }
    for (; indexes_.routers < routers.size(); ++indexes_.routers)
        indexes_.routerOf.emplace(routers[indexes_.routers].device, indexes_.routers);
    for (; indexes_.databases < databases.size(); ++indexes_.databases) {
        const Database& database = databases[indexes_.databases];
        indexes_.databaseOf.emplace(databaseKey(database.device, database.number), indexes_.databases);
    }
}

const Device* Plant::deviceByName(const std::string& name) const
{
    catchUp();
    return found(indexes_.byName, name, devices);
}

const Device* Plant::deviceByNumber(std::int32_t number) const
{
    catchUp();
    return found(indexes_.byNumber, number, devices);
}

Router* Plant::router(std::int32_t device)
{
    catchUp();
    return found(indexes_.routerOf, device, routers);
}

const Router* Plant::router(std::int32_t device) const { return const_cast<Plant*>(this)->router(device); }

const Database* Plant::database(std::int32_t device, std::int32_t number) const
{
    catchUp();
    return found(indexes_.databaseOf, databaseKey(device, number), databases);
}

std::string Plant::describeDevice(std::int32_t number) const
{
    const Device* device = deviceByNumber(number);
    if (!device)
        return "device " + std::to_string(number);
    return quoteText(device->name) + " (device " + std::to_string(number) + ")";
}

} // namespace vesk_host
