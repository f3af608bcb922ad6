#include "plant/plant_file.h"

#include <algorithm>
#include <iterator>

#include "base/files.h"
#include "base/text_util.h"
#include "plant/toml_reading.h"

namespace vesk_host {

namespace {

// Destinations are kept one slot each; this keeps a typo from asking for gigabytes.
constexpr std::int64_t mostDestinations = 1 << 20;
constexpr std::int64_t mostSources = 1 << 30;
constexpr std::int64_t int32Least = -2147483647LL - 1;
constexpr std::int64_t int32Most = 2147483647LL;
// The TOML library's tree takes about this many bytes per byte of text (measured on files of short entries).
constexpr std::uint64_t tomlTreeFactor = 24;

class PlantReader {
public:
    PlantReader(TomlReader& toml, Plant& plant, MemoryBudget* budget) : toml_(toml), plant_(plant), budget_(budget) {}

    void read(const toml::table& root, const std::filesystem::path& folder)
    {
        toml_.onlyKeys(root, {"path", "panel_folder", "device", "router", "database"}, "the plant file");
        if (const toml::node* path = root.get("path"))
            plant_.path = toml_.string(path, "path");
        std::string panelFolder = plant_.path;
        if (const toml::node* node = root.get("panel_folder"))
            panelFolder = toml_.string(node, "panel_folder");
        plant_.panelFolder = folder / std::filesystem::path(panelFolder);
        // Routers and databases name devices, so devices come first whatever the file order.
        sections(root, "device", &PlantReader::device);
        sections(root, "router", &PlantReader::router);
        sections(root, "database", &PlantReader::database);
    }

private:
    using Section = void (PlantReader::*)(const toml::table& table);

    void sections(const toml::table& root, const char* name, Section read)
    {
        const toml::array* array = toml_.tableArray(root.get(name), name);
        if (!array)
            return;
        for (const auto& section : *array) {
            if (toml_.failed())
                return;
            (this->*read)(*section.as_table());
        }
    }

    const Device* namedDevice(const toml::table& table, const std::string& where)
    {
        const toml::node* node = toml_.require(table, "device", where);
        const std::string name = toml_.string(node, where + ".device");
        if (toml_.failed())
            return nullptr;
        const Device* device = plant_.deviceByName(name);
        if (!device)
            toml_.fail(lineOf(*node),
                       where + ".device names " + quoteText(name) + ", which no [[device]] section declares");
        return device;
    }

    // One instance name of a device: not empty, not used by another device.
    bool instanceName(const std::string& name, int line, const std::vector<std::string>& earlier)
    {
        if (name.empty()) {
            toml_.fail(line, "a device name must not be empty");
            return false;
        }
        if (plant_.deviceByName(name) || std::find(earlier.begin(), earlier.end(), name) != earlier.end()) {
            toml_.fail(line, "the device " + quoteText(name) + " is declared twice");
            return false;
        }
        return true;
    }

    // "name" and the list "names": every instance name of the device, in file order.
    std::vector<std::string> deviceNames(const toml::table& table)
    {
        std::vector<std::string> names;
        const toml::node* nameNode = table.get("name");
        const toml::node* namesNode = table.get("names");
        if (!nameNode && !namesNode) {
            toml_.fail(lineOf(table), "[[device]] needs the key \"name\" (or a list \"names\")");
            return names;
        }
        if (nameNode) {
            std::string name = toml_.string(nameNode, "device.name");
            if (toml_.failed() || !instanceName(name, lineOf(*nameNode), names))
                return names;
            names.push_back(std::move(name));
        }
        if (!namesNode)
            return names;
        const toml::array* list = namesNode->as_array();
        if (!list || list->empty()) {
            toml_.fail(lineOf(*namesNode), "device.names must be a list of texts, such as [\"A\", \"B\"]");
            return names;
        }
        for (const auto& element : *list) {
            std::string name = toml_.string(&element, "each of device.names");
            if (toml_.failed() || !instanceName(name, lineOf(element), names))
                return names;
            names.push_back(std::move(name));
        }
        return names;
    }

    void device(const toml::table& table)
    {
        toml_.onlyKeys(table, {"name", "names", "number"}, "[[device]]");
        std::vector<std::string> names = deviceNames(table);
        if (toml_.failed())
            return;
        const toml::node* numberNode = toml_.require(table, "number", "[[device]]");
        const std::int32_t number = toml_.int32(numberNode, "device.number", int32Least, int32Most);
        if (toml_.failed())
            return;
        if (number == 0)
            return toml_.fail(lineOf(*numberNode), "device.number must not be 0: 0 means \"not found\"");
        if (const Device* other = plant_.deviceByNumber(number))
            return toml_.fail(lineOf(*numberNode), "device number " + std::to_string(number) +
                                                       " is already used by " + quoteText(other->name) +
                                                       " (one [[device]] may list several names)");
        Device device{std::move(names.front()), number, {}};
        device.otherNames.assign(std::make_move_iterator(names.begin() + 1), std::make_move_iterator(names.end()));
        plant_.devices.push_back(std::move(device));
    }

    // Charges what the plant is about to hold; false (with the problem recorded) when it is too much.
    bool charge(std::uint64_t bytes, int line)
    {
        if (!budget_)
            return true;
        const Status charged = budget_->charge(plantCategory, bytes);
        if (!charged)
            toml_.fail(line, charged.error());
        return charged.ok();
    }

    void router(const toml::table& table)
    {
        toml_.onlyKeys(table, {"device", "sources", "destinations", "source_names", "crosspoints"}, "[[router]]");
        const Device* device = namedDevice(table, "router");
        if (!device)
            return;
        if (plant_.router(device->number))
            return toml_.fail(lineOf(table), "the device " + quoteText(device->name) + " has two [[router]] sections");
        Router router;
        router.device = device->number;
        router.sources = toml_.int32(toml_.require(table, "sources", "[[router]]"), "router.sources", 1, mostSources);
        router.destinations = toml_.int32(toml_.require(table, "destinations", "[[router]]"), "router.destinations", 1,
                                          mostDestinations);
        if (toml_.failed() ||
            !charge(static_cast<std::uint64_t>(router.destinations) * sizeof(std::int32_t) + entryCost, lineOf(table)))
            return;
        router.crosspoints.assign(static_cast<std::size_t>(router.destinations), 0);
        if (const toml::table* names = toml_.table(table.get("source_names"), "router.source_names")) {
            for (const auto& [key, value] : *names) {
                const std::int32_t source = toml_.numberKey(key, "router.source_names");
                if (!toml_.failed() && !router.hasSource(source))
                    toml_.fail(lineOf(key), "router.source_names: source " + std::to_string(source) +
                                                " is outside 0.." + std::to_string(router.sources - 1));
                std::string text = toml_.string(&value, "router.source_names." + std::string(key.str()));
                if (toml_.failed() || !charge(text.size() + entryCost, lineOf(key)))
                    return;
                router.sourceNames[source] = std::move(text);
            }
        }
        if (const toml::table* crosspoints = toml_.table(table.get("crosspoints"), "router.crosspoints")) {
            for (const auto& [key, value] : *crosspoints) {
                const std::int32_t destination = toml_.numberKey(key, "router.crosspoints");
                if (!toml_.failed() && !router.hasDestination(destination))
                    toml_.fail(lineOf(key), "router.crosspoints: destination " + std::to_string(destination) +
                                                " is outside 0.." + std::to_string(router.destinations - 1));
                const std::int32_t source =
                    toml_.int32(&value, "router.crosspoints." + std::string(key.str()), 0, router.sources - 1);
                if (toml_.failed())
                    return;
                router.crosspoints[static_cast<std::size_t>(destination)] = source;
            }
        }
        plant_.routers.push_back(std::move(router));
    }

    void database(const toml::table& table)
    {
        toml_.onlyKeys(table, {"device", "number", "entries"}, "[[database]]");
        const Device* device = namedDevice(table, "database");
        const toml::node* numberNode = toml_.require(table, "number", "[[database]]");
        Database database;
        database.number = toml_.int32(numberNode, "database.number", int32Least, int32Most);
        if (toml_.failed())
            return;
        database.device = device->number;
        if (plant_.database(database.device, database.number))
            return toml_.fail(lineOf(*numberNode), "database " + std::to_string(database.number) + " of " +
                                                       quoteText(device->name) + " is declared twice");
        if (const toml::table* entries = toml_.table(table.get("entries"), "database.entries")) {
            for (const auto& [key, value] : *entries) {
                const std::int32_t index = toml_.numberKey(key, "database.entries");
                std::string text = toml_.string(&value, "database.entries." + std::string(key.str()));
                if (toml_.failed() || !charge(text.size() + entryCost, lineOf(key)))
                    return;
                database.entries[index] = std::move(text);
            }
        }
        plant_.databases.push_back(std::move(database));
    }

    TomlReader& toml_;
    Plant& plant_;
    MemoryBudget* budget_;
};

} // namespace

Result<Plant> parsePlant(std::string_view text, const std::string& name, const std::filesystem::path& folder,
                         MemoryBudget* budget)
{
    TomlReader toml(name);
    Plant plant;
    // The TOML library's tree of the file is held only while it is read.
    const std::uint64_t parsing = text.size() * tomlTreeFactor;
    if (budget) {
        if (const Status charged = budget->charge(plantFileCategory, parsing); !charged)
            return placed(name, charged.error());
    }
    if (const auto root = toml.parse(text))
        PlantReader(toml, plant, budget).read(*root, folder);
    if (budget)
        budget->refund(plantFileCategory, parsing);
    if (toml.failed())
        return toml.error();
    return plant;
}

Result<Plant> loadPlantFile(const std::filesystem::path& file, MemoryBudget* budget)
{
    auto text = readWholeFile(file);
    if (!text)
        return text.error();
    return parsePlant(*text, file.string(), file.parent_path(), budget);
}

} // namespace vesk_host
