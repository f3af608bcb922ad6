#include "plant_file.h"

#include "files.h"
#include "text_util.h"
#include "toml_reading.h"

namespace vesk_host {

namespace {

// Destinations are kept one slot each; this keeps a typo from asking for gigabytes.
constexpr std::int64_t mostDestinations = 1 << 20;
constexpr std::int64_t mostSources = 1 << 30;
constexpr std::int64_t int32Least = -2147483647LL - 1;
constexpr std::int64_t int32Most = 2147483647LL;

const Device& namedDevice(const Plant& plant, const toml::table& table, const std::string& where)
{
    const toml::node& node = requireKey(table, "device", where);
    const std::string name = readString(node, where + ".device");
    const Device* device = plant.deviceByName(name);
    if (!device)
        throw DescriptionError(lineOf(node), where + ".device names " + quoteText(name) +
                                                 ", which no [[device]] section declares");
    return *device;
}

void readDevices(const toml::array& sections, Plant& plant)
{
    for (const auto& section : sections) {
        const toml::table& table = *section.as_table();
        onlyKeys(table, {"name", "number"}, "[[device]]");
        const toml::node& nameNode = requireKey(table, "name", "[[device]]");
        std::string name = readString(nameNode, "device.name");
        if (name.empty())
            throw DescriptionError(lineOf(nameNode), "device.name must not be empty");
        if (plant.deviceByName(name))
            throw DescriptionError(lineOf(nameNode), "the device " + quoteText(name) + " is declared twice");
        const toml::node& numberNode = requireKey(table, "number", "[[device]]");
        const std::int32_t number = readInt32(numberNode, "device.number", int32Least, int32Most);
        if (number == 0)
            throw DescriptionError(lineOf(numberNode), "device.number must not be 0: 0 means \"not found\"");
        if (const Device* other = plant.deviceByNumber(number))
            throw DescriptionError(lineOf(numberNode), "device number " + std::to_string(number) +
                                                           " is already used by " + quoteText(other->name));
        plant.devices.push_back(Device{std::move(name), number});
    }
}

void readRouters(const toml::array& sections, Plant& plant)
{
    for (const auto& section : sections) {
        const toml::table& table = *section.as_table();
        onlyKeys(table, {"device", "sources", "destinations", "source_names", "crosspoints"}, "[[router]]");
        Router router;
        const Device& device = namedDevice(plant, table, "router");
        if (plant.router(device.number))
            throw DescriptionError(lineOf(table), "the device " + quoteText(device.name) + " has two [[router]] sections");
        router.device = device.number;
        router.sources = readInt32(requireKey(table, "sources", "[[router]]"), "router.sources", 1, mostSources);
        router.destinations =
            readInt32(requireKey(table, "destinations", "[[router]]"), "router.destinations", 1, mostDestinations);
        router.crosspoints.assign(static_cast<std::size_t>(router.destinations), 0);
        if (const toml::node* names = table.get("source_names")) {
            for (const auto& [key, value] : readTable(*names, "router.source_names")) {
                const std::int32_t source = readNumberKey(key, "router.source_names");
                if (!router.hasSource(source))
                    throw DescriptionError(lineOf(key), "router.source_names: source " + std::to_string(source) +
                                                            " is outside 0.." + std::to_string(router.sources - 1));
                router.sourceNames[source] = readString(value, "router.source_names." + std::string(key.str()));
            }
        }
        if (const toml::node* crosspoints = table.get("crosspoints")) {
            for (const auto& [key, value] : readTable(*crosspoints, "router.crosspoints")) {
                const std::int32_t destination = readNumberKey(key, "router.crosspoints");
                if (!router.hasDestination(destination))
                    throw DescriptionError(lineOf(key), "router.crosspoints: destination " +
                                                            std::to_string(destination) + " is outside 0.." +
                                                            std::to_string(router.destinations - 1));
                router.crosspoints[static_cast<std::size_t>(destination)] =
                    readInt32(value, "router.crosspoints." + std::string(key.str()), 0, router.sources - 1);
            }
        }
        plant.routers.push_back(std::move(router));
    }
}

void readDatabases(const toml::array& sections, Plant& plant)
{
    for (const auto& section : sections) {
        const toml::table& table = *section.as_table();
        onlyKeys(table, {"device", "number", "entries"}, "[[database]]");
        Database database;
        const Device& device = namedDevice(plant, table, "database");
        database.device = device.number;
        const toml::node& numberNode = requireKey(table, "number", "[[database]]");
        database.number = readInt32(numberNode, "database.number", int32Least, int32Most);
        if (plant.database(database.device, database.number))
            throw DescriptionError(lineOf(numberNode), "database " + std::to_string(database.number) + " of " +
                                                           quoteText(device.name) + " is declared twice");
        if (const toml::node* entries = table.get("entries")) {
            for (const auto& [key, value] : readTable(*entries, "database.entries")) {
                const std::int32_t index = readNumberKey(key, "database.entries");
                database.entries[index] = readString(value, "database.entries." + std::string(key.str()));
            }
        }
        plant.databases.push_back(std::move(database));
    }
}

Plant readPlant(const toml::table& root, const std::filesystem::path& folder)
{
    onlyKeys(root, {"path", "panel_folder", "device", "router", "database"}, "the plant file");
    Plant plant;
    if (const toml::node* path = root.get("path"))
        plant.path = readString(*path, "path");
    std::string panelFolder = plant.path;
    if (const toml::node* node = root.get("panel_folder"))
        panelFolder = readString(*node, "panel_folder");
    plant.panelFolder = folder / std::filesystem::path(panelFolder);
    // Routers and databases name devices, so devices come first whatever the file order.
    if (const toml::node* devices = root.get("device"))
        readDevices(readTableArray(*devices, "device"), plant);
    if (const toml::node* routers = root.get("router"))
        readRouters(readTableArray(*routers, "router"), plant);
    if (const toml::node* databases = root.get("database"))
        readDatabases(readTableArray(*databases, "database"), plant);
    return plant;
}

} // namespace

PlantLoad parsePlant(std::string_view text, const std::string& name, const std::filesystem::path& folder)
{
    PlantLoad result;
    try {
        result.plant = readPlant(parseToml(text), folder);
    } catch (const DescriptionError& error) {
        result.error = describeError(name, error);
    }
    return result;
}

PlantLoad loadPlantFile(const std::filesystem::path& file)
{
    const auto text = readWholeFile(file);
    if (!text) {
        PlantLoad result;
        result.error = file.string() + ": cannot be read";
        return result;
    }
    return parsePlant(*text, file.string(), file.parent_path());
}

} // namespace vesk_host
