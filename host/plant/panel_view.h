// Readable tables of the emulator's state, for "show" and the final state.
#ifndef VESK_HOST_PANEL_VIEW_H
#define VESK_HOST_PANEL_VIEW_H

#include <cstdint>
#include <string>
#include <vector>

#include "plant/panels.h"
#include "plant/plant.h"
#include "plant/timers.h"

namespace vesk_host {

// One panel: every control with its properties.
std::string panelTable(const LoadedPanel& panel);
// Every loaded panel, in identifier order.
std::string panelsTable(const Panels& panels);
// Each router: destinations that carry a source or are registered, and the
// registrations; with the studio's position `names`, each registration
// names its position ("12..12 @A").
std::string routesTable(const Plant& plant, const std::vector<std::string>* names = nullptr);
// With `names`, each timer names its position.
std::string timersTable(const Timers& timers, const std::vector<std::string>* names = nullptr);

} // namespace vesk_host

#endif
