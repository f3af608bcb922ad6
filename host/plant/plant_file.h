// Reading a plant file (TOML):
//
//   path = "panels"                  # folder text handed to the script
//   panel_folder = "panels"          # where panel files are read (default: path)
//   [[device]]    name = "...", number = N     (or names = ["...", "..."]: several instance names)
//   [[router]]    device = "name", sources = N, destinations = N,
//                 source_names = { 1 = "CAM 1" }, crosspoints = { 12 = 1 }
//   [[database]]  device = "name", number = N, entries = { 362 = "12,3" }
//
// Relative folders are taken from the plant file's own folder. Errors say
// "file:line: what is wrong".
#ifndef VESK_HOST_PLANT_FILE_H
#define VESK_HOST_PLANT_FILE_H

#include <filesystem>
#include <string>
#include <string_view>

#include "base/memory_budget.h"
#include "base/result.h"
#include "plant/plant.h"

namespace vesk_host {

// What the plant charges to a memory budget: its routers and databases (kept
// for the run), and the TOML tree of the file while it is read.
constexpr std::string_view plantCategory = "the plant's routers and databases";
constexpr std::string_view plantFileCategory = "reading the plant file";

// Reads `file`; relative folders resolve against the file's folder. With a
// budget, the plant's routers and databases are charged to it in total (the
// charge stays for the run), and a plant that does not fit is refused with
// the line where it passed the limit. Without one, only the per-router
// limits hold.
Result<Plant> loadPlantFile(const std::filesystem::path& file, MemoryBudget* budget = nullptr);
// The same from text; `name` is used in messages, `folder` for relative folders.
Result<Plant> parsePlant(std::string_view text, const std::string& name, const std::filesystem::path& folder,
                         MemoryBudget* budget = nullptr);

} // namespace vesk_host

#endif
