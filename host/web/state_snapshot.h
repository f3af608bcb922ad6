// A snapshot of the emulator's state after an action, as the live page
// draws it: the panels with every control's properties (in panel-file
// order), the routers' crosspoints and registrations, the clock and the
// running timers, the replies the script still holds, and the findings so
// far; in a studio, each position's own. Built only from the emulator's
// public state.
//
// The page needs no more than it can show, so the snapshot is bounded
// whatever the script does: texts are cut at maxText bytes (with the full
// length noted), and each list at maxEntries entries (with a count of the
// rest).
#ifndef VESK_HOST_WEB_STATE_SNAPSHOT_H
#define VESK_HOST_WEB_STATE_SNAPSHOT_H

#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

#include "emulator/emulator.h"
#include "transcript/finding_tally.h"

namespace vesk_host::web {

constexpr std::size_t maxText = 4096;
constexpr std::size_t maxEntries = 500;

// The text, or its first maxText bytes followed by " ... (N bytes)".
std::string shownText(const std::string& text);

// `findings` are the whole run's. In a studio (`byPosition` given, one
// tally a position) the snapshot also lists every position with its own
// panels, replies and findings, under "positions"; the top-level panels
// are then the first position's, the replies every position's together.
nlohmann::ordered_json stateSnapshot(const Emulator& emulator, const FindingTally& findings,
                                     const PositionTallies* byPosition = nullptr);

} // namespace vesk_host::web

#endif
