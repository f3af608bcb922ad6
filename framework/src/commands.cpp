// The host command set: every command text the framework sends.
#include "vesk_script_helper.h"

#include <stdarg.h>
#include <stdio.h>

#include "debug_output.h"
#include "text_format.h"
#include "vesk_decode.h"

namespace {

vesk_string fill(const char* format, const vesk_string& a, const vesk_string& b)
{
    const vesk_string* args[] = {&a, &b};
    return vesk_fill_placeholders(format, args, 2);
}

vesk_string fill(const char* format, const vesk_string& a, const vesk_string& b, const vesk_string& c)
{
    const vesk_string* args[] = {&a, &b, &c};
    return vesk_fill_placeholders(format, args, 3);
}

vesk_string fill(const char* format, const vesk_string& a, const vesk_string& b, const vesk_string& c,
                 const vesk_string& d)
{
    const vesk_string* args[] = {&a, &b, &c, &d};
    return vesk_fill_placeholders(format, args, 4);
}

vesk_string decimal(int n) { return vesk_string(n, 0, 0, 10); }

} // namespace

void* vesk_script_helper::sendCommand(const char* text)
{
    if (!host)
        return 0;
    return host->callback(const_cast<char*>(text), VESK_CODE_COMMAND);
}

void vesk_script_helper::handBack(void* reply)
{
    if (host)
        host->callback(reply, VESK_CODE_RELEASE);
}

void vesk_script_helper::sendNumbers(const char* format, ...)
{
    // Room for three 32-bit numbers and " 'ADD'": never truncated.
    char text[64];
    va_list numbers;
    va_start(numbers, format);
    vsnprintf(text, sizeof text, format, numbers);
    va_end(numbers);
    sendCommand(text);
}

void vesk_script_helper::scriptClose() { sendCommand("AS"); }

bool vesk_script_helper::deviceLookup(vesk_string instance, int* device, int* second)
{
    if (device)
        *device = 0;
    if (second)
        *second = 0;
    if (!host)
        return false;
    const vesk_string* args[] = {&instance};
    void* reply = sendCommand(vesk_fill_placeholders("SD '%1'", args, 1));
    if (!reply)
        return false;
    decodeVESKString tokens(static_cast<const char*>(reply), '\'');
    if (device)
        *device = vesk_text_to_int(tokens.tokens[0]);
    if (second)
        *second = vesk_text_to_int(tokens.tokens[1]);
    handBack(reply);
    return true;
}

vesk_stringlist vesk_script_helper::controlList(const vesk_string& panel, const vesk_string& pattern)
{
    vesk_string command = fill("XI '%1' '%2'", panel, pattern);
    if (!host)
        return vesk_stringlist();
    void* reply = sendCommand(command);
    if (!reply)
        return vesk_stringlist();
    vesk_string text(static_cast<const char*>(reply));
    handBack(reply);
    return vesk_stringlist(text, ',');
}

bool vesk_script_helper::panelLoad(const vesk_string& panel, const vesk_string& file, const vesk_string& third)
{
    vesk_string command = "PS '";
    command += panel;
    command += "' '";
    if (path.length() != 0) {
        command += path;
        command += "/";
    }
    command += file;
    command += "'";
    if (third.length() != 0) {
        command += " '";
        command += third;
        command += "'";
    }
    // Without a host nothing was loaded: report failure.
    if (!host)
        return false;
    return sendCommand(command) != 0;
}

void vesk_script_helper::routeSet(int device, int source, int destination, const vesk_string& extra, bool flag)
{
    const vesk_string deviceText = decimal(device);
    const vesk_string sourceText = decimal(source);
    const vesk_string destinationText = decimal(destination);
    const vesk_string flagText = flag ? "1" : "0";
    const vesk_string* args[] = {&deviceText, &sourceText, &destinationText, &extra, &flagText};
    sendCommand(vesk_fill_placeholders("RC %1 %2 %3 ',%4' %5", args, 5));
}

void vesk_script_helper::databaseRead(int device, int database, int index, vesk_string& text)
{
    if (!host)
        return;
    void* reply = sendCommand(fill("RN %1 %2 %3", decimal(device), decimal(database), decimal(index)));
    if (reply)
        text = static_cast<const char*>(reply);
    // Handed back even when null: the host accepts a null release.
    handBack(reply);
}

void vesk_script_helper::revertivePoll(int device, int first, int last)
{
    sendNumbers("RP %d %d %d", device, first, last);
}

void vesk_script_helper::revertiveRegister(int device, int first, int last, bool add)
{
    if (add)
        sendNumbers("RR %d %d %d 'ADD'", device, first, last);
    else
        sendNumbers("RR %d %d %d", device, first, last);
}

void vesk_script_helper::revertiveUnregister(int device) { sendNumbers("RU %d", device); }

void vesk_script_helper::timerSet(int id, int interval)
{
    if (interval == 0)
        sendNumbers("ET %d", id);
    else
        sendNumbers("ET %d %d", id, interval);
}

void vesk_script_helper::timerKill(int id) { sendNumbers("ET %d", id); }

void vesk_script_helper::textGet(const vesk_string& property, const vesk_string& panel, const vesk_string& control,
                                 vesk_string& value)
{
    vesk_string command = fill("TG '%1' '%2' '%3'", panel, control, property);
    value = "";
    if (!host)
        return;
    void* reply = sendCommand(command);
    if (!reply)
        return;
    vesk_string text(static_cast<const char*>(reply));
    handBack(reply);
    if (property == "all") {
        value = text;
        return;
    }
    vesk_string key;
    vesk_string rest;
    text.split('=', key, rest);
    if (key == property) {
        value = rest;
        return;
    }
    const vesk_string none;
    debugPrint("textGet: value returned \"%1\" was not the value requested \"%2\" (value returned was \"%3\" "
               "from control \"%4\", on panel \"%5\")",
               key, property, text, control, panel, none, none, none, none);
}

void vesk_script_helper::textSet(const vesk_string& property, const vesk_string& value, const vesk_string& panel,
                                 const vesk_string& control)
{
    sendCommand(fill("TP '%1=%2' '%3' '%4'", property, value, panel, control));
}

void vesk_script_helper::textSet(const vesk_string& assignment, const vesk_string& panel, const vesk_string& control)
{
    sendCommand(fill("TP '%1' '%2' '%3'", assignment, panel, control));
}

void vesk_script_helper::debugPrint(const vesk_string& format, const vesk_string& a1, const vesk_string& a2,
                                    const vesk_string& a3, const vesk_string& a4, const vesk_string& a5,
                                    const vesk_string& a6, const vesk_string& a7, const vesk_string& a8,
                                    const vesk_string& a9)
{
    const vesk_string* args[] = {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9};
    vesk_debug_output(vesk_fill_placeholders(format, args, 9));
}
