// The panels the script has loaded with "PS": each control's properties as
// they stand now.
#ifndef VESK_HOST_PANELS_H
#define VESK_HOST_PANELS_H

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "plant/panel_file.h"

namespace vesk_host {

struct LoadedControl {
    std::string id;
    std::map<std::string, std::string> properties;
};

struct LoadedPanel {
    std::string id;
    std::string file;   // the file name as the script gave it
    std::string title;
    std::vector<LoadedControl> controls;  // in panel file order; appended to only

    // By a hash index that takes in controls added since the last lookup.
    LoadedControl* control(const std::string& id);
    const LoadedControl* control(const std::string& id) const;

private:
    mutable std::unordered_map<std::string, std::size_t> index_;
    mutable std::size_t indexed_ = 0;
};

class Panels {
public:
    // Loads `layout` into panel `id`, replacing what was there.
    void load(const std::string& id, const std::string& file, const PanelLayout& layout);
    LoadedPanel* find(const std::string& id);
    const LoadedPanel* find(const std::string& id) const;
    // In panel identifier order.
    const std::map<std::string, LoadedPanel>& all() const { return panels_; }

private:
    std::map<std::string, LoadedPanel> panels_;
};

} // namespace vesk_host

#endif
