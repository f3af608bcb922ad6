#include "events.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "script_loader.h"

namespace {

void* send(StaticHost& host, const char* text) { return host.callback(const_cast<char*>(text), VESK_CODE_COMMAND); }

void release(StaticHost& host, void* reply) { host.callback(reply, VESK_CODE_RELEASE); }

// ---- floor: snprintf into stack buffers, no objects ----

void floorChoice(StaticHost& host, const ControlEventRecord& record)
{
    if (std::strcmp(record.panelId, "1") != 0 || std::strcmp(record.controlId, "Sources") != 0 ||
        std::strcmp(record.event->name, "index") != 0)
        return;
    int package = std::atoi(record.event->value);
    if (package <= 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "RN %d %d %d", 5, 0, package);
    void* reply = send(host, text);
    int video = 0, audio = 0;
    if (reply) {
        const char* pair = static_cast<const char*>(reply);
        video = std::atoi(pair);
        const char* comma = std::strchr(pair, ',');
        audio = comma ? std::atoi(comma + 1) : 0;
    }
    release(host, reply);
    if (video != 0) {
        std::snprintf(text, sizeof text, "RC %d %d %d ',%s' %d", 7, video, 12, "", 0);
        send(host, text);
    }
    if (audio != 0) {
        std::snprintf(text, sizeof text, "RC %d %d %d ',%s' %d", 8, audio, 17, "", 0);
        send(host, text);
    }
    std::snprintf(text, sizeof text, "ET %d %d", 1, 250);
    send(host, text);
}

void floorToggle(StaticHost& host, const ControlEventRecord& record, bool& follow)
{
    if (std::strcmp(record.panelId, "1") != 0 || std::strcmp(record.controlId, "WFM_Mon") != 0)
        return;
    follow = !follow;
    char text[128];
    std::snprintf(text, sizeof text, "TP 'statesheet=%s' '%s' '%s'", follow ? "KQ_Tally_Red" : "KQ_Tally_Black", "1",
                  "VideoEnable");
    send(host, text);
}

void floorRevertive(StaticHost& host, const RevertiveEventRecord& record)
{
    if (record.deviceNumber != 7 || record.entryIndex != 12)
        return;
    char text[128];
    std::snprintf(text, sizeof text, "TP 'text=%s' '%s' '%s'", record.contentText, "1", "video_source");
    send(host, text);
}

void* floorParentQuery(const char* query)
{
    char name[64];
    std::size_t length = std::strcspn(query, ".=");
    if (length >= sizeof name)
        return nullptr;
    std::memcpy(name, query, length);
    name[length] = 0;
    if (std::strcmp(name, "_events") != 0)
        return nullptr;
    char* answer = static_cast<char*>(std::malloc(9));
    std::memcpy(answer, "notify=*", 9);
    return answer;
}

void floorTimer(StaticHost& host, int id)
{
    char text[64];
    std::snprintf(text, sizeof text, "ET %d", id);
    send(host, text);
    if (id == 1) {
        std::snprintf(text, sizeof text, "TP '%s' '%s' '%s'", "select=-1", "1", "Sources");
        send(host, text);
    }
}

// Formats one command into a stack buffer and sends it.
template <typename... Numbers>
void sendFormatted(StaticHost& host, const char* format, Numbers... numbers)
{
    char text[128];
    std::snprintf(text, sizeof text, format, numbers...);
    send(host, text);
}

void floorStartStop(StaticHost& host)
{
    const char* names[] = {"ZEP Package Names", "ZEP Package XPTS", "ZEP SDI Router", "ZEP Audio Router"};
    int devices[4] = {0, 0, 0, 0};
    char text[128];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(text, sizeof text, "SD '%s'", names[i]);
        void* reply = send(host, text);
        if (reply) {
            devices[i] = std::atoi(static_cast<const char*>(reply));
            release(host, reply);
        }
    }
    std::snprintf(text, sizeof text, "RN %d %d %d", devices[1], 1, 362);
    void* reply = send(host, text);
    int video = 0, audio = 0;
    if (reply) {
        video = std::atoi(static_cast<const char*>(reply));
        const char* comma = std::strchr(static_cast<const char*>(reply), ',');
        audio = comma ? std::atoi(comma + 1) : 0;
    }
    release(host, reply);
    sendFormatted(host, "PS '%s' '%s'", "1", "Rig_Vue.vesk_ui");
    sendFormatted(host, "TP 'statesheet=%s' '%s' '%s'", "KQ_Tally_Red", "1", "VideoEnable");
    sendFormatted(host, "TP 'statesheet=%s' '%s' '%s'", "KQ_Tally_Red", "1", "AudioEnable");
    sendFormatted(host, "RR %d %d %d", devices[2], video, video);
    sendFormatted(host, "RR %d %d %d", devices[3], audio, audio);
    sendFormatted(host, "RP %d %d %d", devices[2], video, video);
    sendFormatted(host, "RP %d %d %d", devices[3], audio, audio);
    sendFormatted(host, "RU %d", devices[2]);
    sendFormatted(host, "RU %d", devices[3]);
    send(host, "AS");
}

// ---- ostream: std::string and std::ostringstream ----

void sendString(StaticHost& host, const std::string& text) { send(host, text.c_str()); }

void ostreamChoice(StaticHost& host, const ControlEventRecord& record)
{
    std::string panel = record.panelId, control = record.controlId, name = record.event->name;
    if (panel != "1" || control != "Sources" || name != "index")
        return;
    int package = std::stoi(std::string(record.event->value));
    if (package <= 0)
        return;
    std::ostringstream read;
    read << "RN " << 5 << ' ' << 0 << ' ' << package;
    void* reply = send(host, read.str().c_str());
    std::string pair = reply ? static_cast<const char*>(reply) : "";
    release(host, reply);
    std::string::size_type comma = pair.find(',');
    int video = std::atoi(pair.substr(0, comma).c_str());
    int audio = comma == std::string::npos ? 0 : std::atoi(pair.substr(comma + 1).c_str());
    if (video != 0) {
        std::ostringstream route;
        route << "RC " << 7 << ' ' << video << ' ' << 12 << " '," << "" << "' " << 0;
        sendString(host, route.str());
    }
    if (audio != 0) {
        std::ostringstream route;
        route << "RC " << 8 << ' ' << audio << ' ' << 17 << " '," << "" << "' " << 0;
        sendString(host, route.str());
    }
    std::ostringstream timer;
    timer << "ET " << 1 << ' ' << 250;
    sendString(host, timer.str());
}

void ostreamToggle(StaticHost& host, const ControlEventRecord& record, bool& follow)
{
    std::string panel = record.panelId, control = record.controlId;
    if (panel != "1" || control != "WFM_Mon")
        return;
    follow = !follow;
    std::ostringstream text;
    text << "TP 'statesheet=" << (follow ? "KQ_Tally_Red" : "KQ_Tally_Black") << "' '" << panel << "' '"
         << "VideoEnable" << "'";
    sendString(host, text.str());
}

void ostreamRevertive(StaticHost& host, const RevertiveEventRecord& record)
{
    if (record.deviceNumber != 7 || record.entryIndex != 12)
        return;
    std::string content = record.contentText;
    std::ostringstream text;
    text << "TP 'text=" << content << "' '" << "1" << "' '" << "video_source" << "'";
    sendString(host, text.str());
}

void* ostreamParentQuery(const char* query)
{
    std::string text = query;
    std::string name = text.substr(0, text.find_first_of(".="));
    if (name != "_events")
        return nullptr;
    std::string answer = "notify=*";
    char* buffer = static_cast<char*>(std::malloc(answer.size() + 1));
    std::memcpy(buffer, answer.c_str(), answer.size() + 1);
    return buffer;
}

void ostreamTimer(StaticHost& host, int id)
{
    std::ostringstream kill;
    kill << "ET " << id;
    sendString(host, kill.str());
    if (id == 1) {
        std::ostringstream clear;
        clear << "TP '" << "select=-1" << "' '" << "1" << "' '" << "Sources" << "'";
        sendString(host, clear.str());
    }
}

void ostreamStartStop(StaticHost& host)
{
    const std::string names[] = {"ZEP Package Names", "ZEP Package XPTS", "ZEP SDI Router", "ZEP Audio Router"};
    int devices[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) {
        std::ostringstream lookup;
        lookup << "SD '" << names[i] << "'";
        void* reply = send(host, lookup.str().c_str());
        if (reply) {
            std::istringstream words{std::string(static_cast<const char*>(reply))};
            words >> devices[i];
            release(host, reply);
        }
    }
    std::ostringstream read;
    read << "RN " << devices[1] << ' ' << 1 << ' ' << 362;
    void* reply = send(host, read.str().c_str());
    std::string pair = reply ? static_cast<const char*>(reply) : "";
    release(host, reply);
    std::string::size_type comma = pair.find(',');
    int video = std::atoi(pair.substr(0, comma).c_str());
    int audio = comma == std::string::npos ? 0 : std::atoi(pair.substr(comma + 1).c_str());
    auto line = [&](auto... parts) {
        std::ostringstream text;
        (text << ... << parts);
        sendString(host, text.str());
    };
    line("PS '", "1", "' '", "Rig_Vue.vesk_ui", "'");
    line("TP 'statesheet=", "KQ_Tally_Red", "' '", "1", "' '", "VideoEnable", "'");
    line("TP 'statesheet=", "KQ_Tally_Red", "' '", "1", "' '", "AudioEnable", "'");
    line("RR ", devices[2], ' ', video, ' ', video);
    line("RR ", devices[3], ' ', audio, ' ', audio);
    line("RP ", devices[2], ' ', video, ' ', video);
    line("RP ", devices[3], ' ', audio, ' ', audio);
    line("RU ", devices[2]);
    line("RU ", devices[3]);
    line("AS");
}

} // namespace

const char* eventName(Event event)
{
    static const char* const names[] = {"package choice", "toggle", "revertive", "parent query", "timer tick",
                                        "start-up + shutdown"};
    return names[static_cast<int>(event)];
}

const char* variantName(Variant variant)
{
    static const char* const names[] = {"panel", "floor", "ostream"};
    return names[static_cast<int>(variant)];
}

EventBench::EventBench(const char* library)
    : load_(loadScriptExport(library)),
      choice_{0, 0, "1", "Sources", &choiceEvent_},
      toggle_{0, 0, "1", "WFM_Mon", &pressEvent_},
      revertive_{{7, 0, 12, 0, {'C'}}, "AM 1"}
{
    if (load_)
        panel_.reset(load_(&host, ""));
}

EventBench::~EventBench() = default;

void EventBench::run(Event event, Variant variant)
{
    void* query = const_cast<char*>("_events");
    switch (variant) {
    case Variant::Panel:
        switch (event) {
        case Event::Choice: panel_->callback(&choice_, VESK_CODE_CONTROL); return;
        case Event::Toggle: panel_->callback(&toggle_, VESK_CODE_CONTROL); return;
        case Event::Revertive: panel_->callback(&revertive_, VESK_CODE_REVERTIVE); return;
        case Event::ParentQuery:
            panel_->callback(panel_->callback(query, VESK_CODE_PARENT_QUERY), VESK_CODE_RELEASE);
            return;
        case Event::TimerTick: panel_->callback(reinterpret_cast<void*>(1), VESK_CODE_TIMER); return;
        case Event::StartStop: delete load_(&host, ""); return;
        default: return;
        }
    case Variant::Floor:
        switch (event) {
        case Event::Choice: floorChoice(host, choice_); return;
        case Event::Toggle: floorToggle(host, toggle_, videoFollow_); return;
        case Event::Revertive: floorRevertive(host, revertive_.head); return;
        case Event::ParentQuery: std::free(floorParentQuery("_events")); return;
        case Event::TimerTick: floorTimer(host, 1); return;
        case Event::StartStop: floorStartStop(host); return;
        default: return;
        }
    case Variant::Ostream:
        switch (event) {
        case Event::Choice: ostreamChoice(host, choice_); return;
        case Event::Toggle: ostreamToggle(host, toggle_, videoFollow_); return;
        case Event::Revertive: ostreamRevertive(host, revertive_.head); return;
        case Event::ParentQuery: std::free(ostreamParentQuery("_events")); return;
        case Event::TimerTick: ostreamTimer(host, 1); return;
        case Event::StartStop: ostreamStartStop(host); return;
        default: return;
        }
    default:
        return;
    }
}
