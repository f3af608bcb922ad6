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

class PlantReader {
public:
    PlantReader(TomlReader& toml, Plant& plant) : toml_(toml), plant_(plant) {}

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

    void device(const toml::table& table)
    {
        toml_.onlyKeys(table, {"name", "number"}, "[[device]]");
        const toml::node* nameNode = toml_.require(table, "name", "[[device]]");
        std::string name = toml_.string(nameNode, "device.name");
        if (toml_.failed())
            return;
        if (name.empty())
            return toml_.fail(lineOf(*nameNode), "device.name must not be empty");
        if (plant_.deviceByName(name))
            return toml_.fail(lineOf(*nameNode), "the device " + quoteText(name) + " is declared twice");
        const toml::node* numberNode = toml_.require(table, "number", "[[device]]");
        const std::int32_t number = toml_.int32(numberNode, "device.number", int32Least, int32Most);
        if (toml_.failed())
            return;
        if (number == 0)
            return toml_.fail(lineOf(*numberNode), "device.number must not be 0: 0 means \"not found\"");
        if (const Device* other = plant_.deviceByNumber(number))
            return toml_.fail(lineOf(*numberNode),
                              "device number " + std::to_string(number) + " is already used by " + quoteText(other->name));
        plant_.devices.push_back(Device{std::move(name), number});
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
        if (toml_.failed())
            return;
        router.crosspoints.assign(static_cast<std::size_t>(router.destinations), 0);
        if (const toml::table* names = toml_.table(table.get("source_names"), "router.source_names")) {
            for (const auto& [key, value] : *names) {
                const std::int32_t source = toml_.numberKey(key, "router.source_names");
                if (!toml_.failed() && !router.hasSource(source))
                    toml_.fail(lineOf(key), "router.source_names: source " + std::to_string(source) +
                                                " is outside 0.." + std::to_string(router.sources - 1));
                std::string text = toml_.string(&value, "router.source_names." + std::string(key.str()));
                if (toml_.failed())
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
                if (toml_.failed())
                    return;
                database.entries[index] = std::move(text);
            }
        }
        plant_.databases.push_back(std::move(database));
    }

    TomlReader& toml_;
    Plant& plant_;
};

} // namespace

Result<Plant> parsePlant(std::string_view text, const std::string& name, const std::filesystem::path& folder)
{
    TomlReader toml(name);
    Plant plant;
    if (const auto root = toml.parse(text))
        PlantReader(toml, plant).read(*root, folder);
    if (toml.failed())
        return toml.error();
    return plant;
}

Result<Plant> loadPlantFile(const std::filesystem::path& file)
{
    const auto text = readWholeFile(file);
    if (!text)
        return fail(file.string() + ": cannot be read");
    return parsePlant(*text, file.string(), file.parent_path());
}

} // namespace vesk_host
