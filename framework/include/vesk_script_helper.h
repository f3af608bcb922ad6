// vesk_script_helper: the base class of every panel script.
//
// It keeps the host link, turns the host's numeric codes into typed
// handler calls (callback), wraps every host command in one member, and can
// answer the panel-wide alarm controls on the script's behalf.
//
// Ownership: `host` is never owned. The script object is owned by the host,
// which ends it through the virtual destructor; the destructor sends "AS".
// Every reply the host returns to a reading command ("SD", "XI", "RN",
// "TG") is copied at once and handed back with code 5; no other reply is.
// Thread: all calls on the host's calling thread, one at a time.
// Bad input: a null host is legal (nothing is sent, every command yields its
// default); codes outside 1..7 and null records are ignored.
#ifndef VESK_SCRIPT_HELPER_H
#define VESK_SCRIPT_HELPER_H

#include <stddef.h>

#include "vesk_client_callback.h"
#include "vesk_records.h"
#include "vesk_string.h"
#include "vesk_stringlist.h"

class vesk_script_helper : public vesk_client_callback {
public:
    // Stores `host` (may be null) and `path` (null reads as empty).
    vesk_script_helper(vesk_client_callback* host, const char* path);
    // Sends "AS" when there is a host.
    virtual ~vesk_script_helper();

    // The dispatcher; called by the host only.
    virtual void* callback(void* data, int code);

    virtual void onControl(ControlEvent& event) = 0;
    // The result is ignored.
    virtual int onRevertive(RevertiveEvent& event) = 0;
    // An empty answer reaches the host as null.
    virtual vesk_string onParentQuery(ParentQuery& query) = 0;
    virtual void onCode7(CallbackWord& word);
    virtual void onTimer(int id) = 0;
    virtual void onCode6(CallbackWord& word);

    // Scripts live on the C heap so that no C++ runtime is needed; a failed
    // allocation yields null (the export then returns null).
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* block) noexcept;

    // ---- Host commands (code 0). Nothing is sent without a host. ----

    // "AS": the script's end. Sent by the destructor.
    void scriptClose();
    // "SD 'instance'": the device number (token 0 of the reply) and a second
    // number (token 1); both outputs may be null and are 0 on any failure.
    // True when the host replied at all.
    bool deviceLookup(vesk_string instance, int* device, int* second);
    // "XI 'panel' 'pattern'": the identifiers of the panel's controls that
    // match the pattern; empty without host or reply.
    vesk_stringlist controlList(const vesk_string& panel, const vesk_string& pattern);
    // "PS 'panel' 'path/file'" (+ " 'third'" when third is not empty). True
    // when the host reported success; false without host or on a zero word.
    bool panelLoad(const vesk_string& panel, const vesk_string& file, const vesk_string& third);
    // "RC device source destination ',extra' flag".
    void routeSet(int device, int source, int destination, const vesk_string& extra, bool flag);
    // "RN device database index": the reply into `text`; `text` is left as it
    // was without host or reply.
    void databaseRead(int device, int database, int index, vesk_string& text);
    // "RP device first last".
    void revertivePoll(int device, int first, int last);
    // "RR device first last", with " 'ADD'" when adding.
    void revertiveRegister(int device, int first, int last, bool add);
    // "RU device".
    void revertiveUnregister(int device);
    // "TG 'panel' 'control' 'property'": the property's value into `value`
    // (the whole reply for "all"); empty on any failure, with one debugger
    // line when the host answered for another key.
    void textGet(const vesk_string& property, const vesk_string& panel, const vesk_string& control,
                 vesk_string& value);
    // "TP 'property=value' 'panel' 'control'".
    void textSet(const vesk_string& property, const vesk_string& value, const vesk_string& panel,
                 const vesk_string& control);
    // "TP 'assignment' 'panel' 'control'".
    void textSet(const vesk_string& assignment, const vesk_string& panel, const vesk_string& control);
    // "ET id interval"; "ET id" when the interval is 0.
    void timerSet(int id, int interval);
    // "ET id".
    void timerKill(int id);

    // Writes `format` with its placeholders filled by a1..a9 in order to the
    // debugger output, unchanged: no prefix, no line end. Argument texts are
    // inserted as they are, never scanned for placeholders.
    void debugPrint(const vesk_string& format, const vesk_string& a1, const vesk_string& a2,
                    const vesk_string& a3, const vesk_string& a4, const vesk_string& a5,
                    const vesk_string& a6, const vesk_string& a7, const vesk_string& a8,
                    const vesk_string& a9);

    // Applies one alarm action to every control the host lists for "alm_" on
    // panel "1", in list order and as listed (an empty identifier included):
    // "ack" acknowledges, one digit sets that value, anything else only sets
    // the "alarm" property. Called again while it runs (a host answering one
    // of its commands with an alarm event), the nested call does nothing and
    // the walk under way goes on.
    void alarmAction(const vesk_string& action);

protected:
    vesk_client_callback* host;
    vesk_string path;
    // Set by a derived script to have "ActionAll" and "AckAll" answered by
    // the framework; false after construction.
    bool alarmHandling;

private:
    // True while alarmAction walks the controls.
    bool alarmActionRunning;

    // The one place a command leaves: null without a host.
    void* sendCommand(const char* text);
    // Hands a reply of a reading command back to the host with code 5.
    void handBack(void* reply);
    // True when the alarm interception consumed the control event.
    bool interceptAlarm(const ControlEvent& event);
    void* answerParentQuery(const char* text);
};

#endif
