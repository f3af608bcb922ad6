// The host command set: every command text the framework sends. Texts are
// built on the stack by appending their pieces (CommandText): arguments go
// in unchanged, and ordinary commands cost no heap.
#include "vesk_script_helper.h"

#include "command_text.h"
#include "debug_output.h"
#include "vesk_decode.h"

void* vesk_script_helper::sendCommand(const char* text)
{
    // No host, or a text too large to build: nothing is sent, no reply.
    if (!host || !text)
        return 0;
    return host->callback(const_cast<char*>(text), VESK_CODE_COMMAND);
}

void vesk_script_helper::handBack(void* reply)
{
    if (host)
        host->callback(reply, VESK_CODE_RELEASE);
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
    CommandText command("SD '");
    command << instance << "'";
    void* reply = sendCommand(command.text());
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
    CommandText command("XI '");
    command << panel << "' '" << pattern << "'";
    void* reply = sendCommand(command.text());
    if (!reply)
        return vesk_stringlist();
    vesk_string text(static_cast<const char*>(reply));
    handBack(reply);
    return vesk_stringlist(text, ',');
}

bool vesk_script_helper::panelLoad(const vesk_string& panel, const vesk_string& file, const vesk_string& third)
{
    CommandText command("PS '");
    command << panel << "' '";
    if (path.length() != 0)
        command << path << "/";
    command << file << "'";
    if (third.length() != 0)
        command << " '" << third << "'";
    // Without a host nothing was loaded: report failure.
    return sendCommand(command.text()) != 0;
}

void vesk_script_helper::routeSet(int device, int source, int destination, const vesk_string& extra, bool flag)
{
    CommandText command("RC ");
    command << device << " " << source << " " << destination << " '," << extra << "' " << (flag ? "1" : "0");
    sendCommand(command.text());
}

void vesk_script_helper::databaseRead(int device, int database, int index, vesk_string& text)
{
    if (!host)
        return;
    CommandText command("RN ");
    command << device << " " << database << " " << index;
    void* reply = sendCommand(command.text());
    if (reply)
        text = static_cast<const char*>(reply);
    // Handed back even when null: the host accepts a null release.
    handBack(reply);
}

void vesk_script_helper::revertivePoll(int device, int first, int last)
{
    CommandText command("RP ");
    command << device << " " << first << " " << last;
    sendCommand(command.text());
}

void vesk_script_helper::revertiveRegister(int device, int first, int last, bool add)
{
    CommandText command("RR ");
    command << device << " " << first << " " << last;
    if (add)
        command << " 'ADD'";
    sendCommand(command.text());
}

void vesk_script_helper::revertiveUnregister(int device)
{
    CommandText command("RU ");
    command << device;
    sendCommand(command.text());
}

void vesk_script_helper::timerSet(int id, int interval)
{
    CommandText command("ET ");
    command << id;
    if (interval != 0)
        command << " " << interval;
    sendCommand(command.text());
}

void vesk_script_helper::timerKill(int id) { timerSet(id, 0); }

void vesk_script_helper::textGet(const vesk_string& property, const vesk_string& panel, const vesk_string& control,
                                 vesk_string& value)
{
    value = "";
    if (!host)
        return;
    CommandText command("TG '");
    command << panel << "' '" << control << "' '" << property << "'";
    void* reply = sendCommand(command.text());
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
    CommandText command("TP '");
    command << property << "=" << value << "' '" << panel << "' '" << control << "'";
    sendCommand(command.text());
}

void vesk_script_helper::textSet(const vesk_string& assignment, const vesk_string& panel, const vesk_string& control)
{
    CommandText command("TP '");
    command << assignment << "' '" << panel << "' '" << control << "'";
    sendCommand(command.text());
}

void vesk_script_helper::debugPrint(const vesk_string& format, const vesk_string& a1, const vesk_string& a2,
                                    const vesk_string& a3, const vesk_string& a4, const vesk_string& a5,
                                    const vesk_string& a6, const vesk_string& a7, const vesk_string& a8,
                                    const vesk_string& a9)
{
    const vesk_string* args[] = {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9};
    CommandText line(format, args, 9);
    vesk_debug_output(line.text());
}
