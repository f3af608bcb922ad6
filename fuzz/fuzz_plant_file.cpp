// The plant reader on arbitrary text, with the default memory budget: it
// returns a plant or a "file:line: message" error, never crashes, never
// recurses without bound, and what it keeps stays within the budget.
#include <stddef.h>
#include <stdint.h>

#include <string_view>

#include "fuzz_check.h"
#include "base/memory_budget.h"
#include "plant/plant_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vesk_host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    MemoryBudget budget;
    const auto plant = parsePlant(text, "plant.toml", "/plants", &budget);
    FUZZ_CHECK(budget.used() <= budget.limit());
    FUZZ_CHECK(budget.used(plantFileCategory) == 0);
    if (!plant) {
        FUZZ_CHECK(plant.error().message.rfind("plant.toml", 0) == 0);
        return 0;
    }
    for (const Device& device : plant->devices) {
        FUZZ_CHECK(device.number != 0 && !device.name.empty());
        FUZZ_CHECK(plant->deviceByName(device.name) == &device);
        FUZZ_CHECK(plant->deviceByNumber(device.number) == &device);
        for (const auto& name : device.otherNames)
            FUZZ_CHECK(plant->deviceByName(name) == &device);
    }
    for (const Router& router : plant->routers) {
        FUZZ_CHECK(plant->router(router.device) == &router);
        FUZZ_CHECK(router.crosspoints.size() == static_cast<size_t>(router.destinations));
        for (const auto source : router.crosspoints)
            FUZZ_CHECK(router.hasSource(source));
    }
    for (const Database& database : plant->databases)
        FUZZ_CHECK(plant->database(database.device, database.number) == &database);
    return 0;
}
