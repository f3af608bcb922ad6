// Reading a panel file: the emulator's own description of a panel's
// controls and their initial properties (TOML, in file order):
//
//   title = "Rig_Vue"                 # optional, shown in tables
//   [[control]]
//   id = "Sources"                    # the control identifier
//   items = "Studio A,Studio B"       # every other key: a property
//   select = -1                       # texts, whole numbers or true/false
#ifndef VESK_HOST_PANEL_FILE_H
#define VESK_HOST_PANEL_FILE_H

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace vesk_host {

struct ControlLayout {
    std::string id;
    std::map<std::string, std::string> properties;
};

struct PanelLayout {
    std::string title;
    std::vector<ControlLayout> controls;
};

// Errors read "name:line: what is wrong". Control identifiers are refused
// when empty, twice, or holding ",", "'", a blank or a control character.
// The text is checked against the TOML limits (toml_bounds.h) first.
Result<PanelLayout> parsePanelFile(std::string_view text, const std::string& name);

} // namespace vesk_host

#endif
