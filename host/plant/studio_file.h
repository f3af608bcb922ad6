// The positions of a studio: several scripts, each at a position of its
// own, on one plant. Described on the command line, one position an
// option ("NAME=LIBRARY[,PATH]"), or in a studio file given beside the
// plant (TOML):
//
//   [[position]]
//   name = "A"                        # letters, digits, "_", "-" and "."
//   library = "build/libRig_Vue.so"   # from the studio file's folder
//   path = "panels"                   # the path text handed to the export (default: the plant's)
//   panel_folder = "panels"           # where its panel files are read (default: `path`, else the plant's)
//
// Relative folders are taken from the studio file's folder (for an
// option's PATH, from the plant file's folder, as the plant's own `path`).
// A position without `path` loads with the plant's path and panel folder.
#ifndef VESK_HOST_PLANT_STUDIO_FILE_H
#define VESK_HOST_PLANT_STUDIO_FILE_H

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace vesk_host {

struct ScriptPosition {
    std::string name;
    std::string library;
    // The path text handed to the export and the folder its panel files
    // are read from; nothing: the plant's.
    std::optional<std::string> path;
    std::optional<std::filesystem::path> panelFolder;
};

// The most positions one studio may have.
constexpr std::size_t mostPositions = 4096;

// Whether `name` can name a position: 1 to 64 letters, digits, "_", "-" or ".".
bool positionNameValid(std::string_view name);

// One "NAME=LIBRARY[,PATH]"; PATH's folder is taken from `plantFolder`.
// An error (kind invalid) says what is wrong with the text.
Result<ScriptPosition> parseScriptPosition(std::string_view text, const std::filesystem::path& plantFolder);

// The positions of a studio file's text; `folder` is the file's own.
Result<std::vector<ScriptPosition>> parseStudio(std::string_view text, const std::string& name,
                                                const std::filesystem::path& folder);
// The file, read within the bounds of every file the emulator reads.
Result<std::vector<ScriptPosition>> loadStudioFile(const std::filesystem::path& file);

// Refuses positions that give one name twice, or more than mostPositions
// (a studio file's are checked as it is read).
Status checkPositions(const std::vector<ScriptPosition>& positions);

// A studio as a command names it: the studio file `studioFile`, or else
// one "NAME=LIBRARY[,PATH]" text a position (`scripts`, their PATHs from
// `plantFolder`), checked. Neither given: no positions (a plain run).
Result<std::vector<ScriptPosition>> studioPositions(const std::vector<std::string>& scripts,
                                                    const std::string& studioFile,
                                                    const std::filesystem::path& plantFolder);

// What is wrong with naming the scripts this way (a library, or a studio
// with --script or --studio: one of the three at most), or nothing.
std::string studioOptionsProblem(const std::string& library, const std::vector<std::string>& scripts,
                                 const std::string& studioFile);

} // namespace vesk_host

#endif
