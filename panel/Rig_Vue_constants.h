// The constants of the monitoring panel Rig_Vue: names from its panel file
// and the host configuration it expects.
#ifndef RIG_VUE_CONSTANTS_H
#define RIG_VUE_CONSTANTS_H

namespace rig_vue {

// The only panel this script loads and addresses.
const char panelId[] = "1";
const int panelNumber = 1;
const char panelFile[] = "Rig_Vue.vesk_ui";

// Device instance names, looked up in this order at start-up.
const char packageNamesInstance[] = "ZEP Package Names";
const char packageXptsInstance[] = "ZEP Package XPTS";
const char videoRouterInstance[] = "ZEP SDI Router";
const char audioRouterInstance[] = "ZEP Audio Router";

// Package crosspoint database: entry 362 of database 1 holds this
// position's destinations "v,a"; entry n of database 0 holds package n's
// sources "v,a". A side "-" is absent and reads as 0.
const int destinationDatabase = 1;
const int destinationEntry = 362;
const int sourceDatabase = 0;
const char pairSeparator = ',';
const char noneMarker[] = "-";

// Controls of the panel file.
const char sourcesControl[] = "Sources";
const char sourcesEvent[] = "index";
const char videoToggleControl[] = "WFM_Mon";
const char audioToggleControl[] = "Audio_Mon";
const char videoTallyControl[] = "VideoEnable";
const char audioTallyControl[] = "AudioEnable";
const char videoSourceControl[] = "video_source";
const char audioSourceControl[] = "audio_source";

// Properties and states.
const char tallyProperty[] = "statesheet";
const char tallyOn[] = "KQ_Tally_Red";
const char tallyOff[] = "KQ_Tally_Black";
const char textProperty[] = "text";
const char clearSelection[] = "select=-1";

// The timer that clears the list selection after a choice.
const int selectionTimer = 1;
const int selectionTimerInterval = 250;

// Parent queries.
const char queryEvents[] = "_events";
const char eventsAnswer[] = "notify=*";

} // namespace rig_vue

#endif
