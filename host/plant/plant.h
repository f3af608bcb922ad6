// The simulated plant: device instances, routers, databases and where panel
// files are found. Built from a plant file (plant_file.h); the routers'
// crosspoints and revertive registrations change as the script and the
// operator act.
#ifndef VESK_HOST_PLANT_H
#define VESK_HOST_PLANT_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vesk_host {

struct Device {
    std::string name;     // the instance name "SD" asks for, and the one messages show
    std::int32_t number;  // the number "SD" answers; never 0
    std::vector<std::string> otherNames;  // more instance names "SD" answers with the same number
};

// Destinations first..last (inclusive) registered for revertives by the
// script of one position of the studio (0 in a run of one script).
struct Registration {
    std::int32_t first = 0;
    std::int32_t last = 0;
    int position = 0;
};

struct Router {
    std::int32_t device = 0;
    std::int32_t sources = 0;       // sources 0 .. sources-1
    std::int32_t destinations = 0;  // destinations 0 .. destinations-1
    std::map<std::int32_t, std::string> sourceNames;
    std::vector<std::int32_t> crosspoints;  // the source on each destination
    // In the order they were made: revertives go to the positions in this order.
    std::vector<Registration> registrations;

    bool hasSource(std::int64_t source) const { return source >= 0 && source < sources; }
    bool hasDestination(std::int64_t destination) const { return destination >= 0 && destination < destinations; }
    // What a revertive reports for a source: its name, or its number.
    std::string sourceText(std::int32_t source) const;
    // By any position.
    bool registered(std::int32_t destination) const;
};

struct Database {
    std::int32_t device = 0;
    std::int32_t number = 0;
    std::map<std::int32_t, std::string> entries;
};

// Lookups go through hash indexes, so a plant of 100,000 devices loads and
// answers in linear time. The lists may be appended to directly (readers
// and tests do); each lookup indexes entries added since the last one. An
// entry must not be renamed or removed once looked up, unless the indexes
// are dropped with reindex().
struct Plant {
    // The folder text handed to the script; it puts it before panel file names.
    std::string path;
    // Where the emulator reads panel files from.
    std::filesystem::path panelFolder;
    std::vector<Device> devices;
    std::vector<Router> routers;
    std::vector<Database> databases;

    // By any of its instance names.
    const Device* deviceByName(const std::string& name) const;
    const Device* deviceByNumber(std::int32_t number) const;
    Router* router(std::int32_t device);
    const Router* router(std::int32_t device) const;
    const Database* database(std::int32_t device, std::int32_t number) const;
    // "name (device N)" or "device N" for messages.
    std::string describeDevice(std::int32_t number) const;
    // Forgets the indexes; the next lookup builds them anew.
    void reindex() const;

private:
    // Positions in the lists; the first entry of a name or number wins.
    struct Indexes {
        std::size_t devices = 0, routers = 0, databases = 0;  // entries indexed so far
        std::unordered_map<std::string, std::size_t> byName;
        std::unordered_map<std::int32_t, std::size_t> byNumber;
        std::unordered_map<std::int32_t, std::size_t> routerOf;
        std::unordered_map<std::int64_t, std::size_t> databaseOf;
    };
    void catchUp() const;
    mutable Indexes indexes_;
};

} // namespace vesk_host

#endif
