// The panel-file reader on arbitrary text: a layout or a "file:line:
// message" error, never a crash; every control identifier it accepts is
// one a script can list with "XI" and quote in "TG".
#include <stddef.h>
#include <stdint.h>

#include <string_view>
#include <unordered_set>

#include "fuzz_check.h"
#include "plant/panel_file.h"
#include "plant/panels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vesk_host;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto layout = parsePanelFile(text, "p.vesk_ui");
    if (!layout) {
        FUZZ_CHECK(layout.error().message.rfind("p.vesk_ui", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(!layout->controls.empty());
    std::unordered_set<std::string> ids;
    for (const auto& control : layout->controls) {
        FUZZ_CHECK(!control.id.empty() && ids.insert(control.id).second);
        for (const char c : control.id)
            FUZZ_CHECK(c != ',' && c != '\'' && c != ' ' && static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
        for (const auto& [property, value] : control.properties)
            FUZZ_CHECK(!property.empty() && property.find('=') == std::string::npos);
    }
    Panels panels;
    panels.load("1", "p.vesk_ui", *layout);
    for (const auto& control : layout->controls)
        FUZZ_CHECK(panels.find("1")->control(control.id) != nullptr);
    return 0;
}
