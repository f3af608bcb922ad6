#include "plant/panels.h"

namespace vesk_host {

LoadedControl* LoadedPanel::control(const std::string& controlId)
{
    if (indexed_ > controls.size()) {
        index_.clear();
        indexed_ = 0;
    }
    for (; indexed_ < controls.size(); ++indexed_)
        index_.emplace(controls[indexed_].id, indexed_);
    const auto found = index_.find(controlId);
    return found == index_.end() ? nullptr : &controls[found->second];
}

const LoadedControl* LoadedPanel::control(const std::string& controlId) const
{
    return const_cast<LoadedPanel*>(this)->control(controlId);
}

void Panels::load(const std::string& id, const std::string& file, const PanelLayout& layout)
{
    LoadedPanel panel;
    panel.id = id;
    panel.file = file;
    panel.title = layout.title;
    for (const auto& control : layout.controls)
        panel.controls.push_back(LoadedControl{control.id, control.properties});
    panels_[id] = std::move(panel);
}

LoadedPanel* Panels::find(const std::string& id)
{
    const auto found = panels_.find(id);
    return found == panels_.end() ? nullptr : &found->second;
}

const LoadedPanel* Panels::find(const std::string& id) const { return const_cast<Panels*>(this)->find(id); }

} // namespace vesk_host
