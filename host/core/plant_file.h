// Reading a plant file (TOML):
//
//   path = "panels"                  # folder text handed to the script
//   panel_folder = "panels"          # where panel files are read (default: path)
//   [[device]]    name = "...", number = N
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

#include "plant.h"
#include "result.h"

namespace vesk_host {

// Reads `file`; relative folders resolve against the file's folder.
Result<Plant> loadPlantFile(const std::filesystem::path& file);
// The same from text; `name` is used in messages, `folder` for relative folders.
Result<Plant> parsePlant(std::string_view text, const std::string& name, const std::filesystem::path& folder);

} // namespace vesk_host

#endif
