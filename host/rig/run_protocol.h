// What a supervised run's worker and its supervisor say to each other.
//
// Supervisor to worker (steps typed at a prompt only): one session step a
// line, "\n"-terminated; the end of input ends the steps.
//
// Worker to supervisor, records (worker/record_stream.h), as they happen:
#ifndef VESK_HOST_RIG_RUN_PROTOCOL_H
#define VESK_HOST_RIG_RUN_PROTOCOL_H

namespace vesk_host::record {

constexpr char event = 'E';        // an emulator event (worker/event_codec.h)
constexpr char position = 'A';     // "<number>\t<name>": the events that follow are this studio position's
                                   // (number -1: the host's own)
constexpr char callReturned = 'C';  // the call under way returned to the host
constexpr char printed = 'P';      // what the script printed during the call that just returned
constexpr char libraryCode = 'U';  // the library's own code runs outside any call: in words, when
                                   // ("unload (the library's static destructors)")
constexpr char libraryCodeEnded = 'u';  // ... and has returned
constexpr char loadFailed = 'L';   // the library cannot be loaded, or its start-up failed: why
constexpr char stepFailed = 'S';   // "<line>\t<error kind>\t<message>": a step that could not be carried out
constexpr char ready = 'R';        // the worker waits for the next step line
constexpr char fatal = 'X';        // "<rule>\t<message>": what ended the worker (its fatal watch)
constexpr char words = 'W';        // a line for the supervisor's standard error (the run's own words)
constexpr char after = 'O';        // text for standard output after the transcript, outside any golden file
constexpr char emulatorFailed = 'H';  // the emulator's own code failed in the worker: what
constexpr char done = 'D';         // "<expectations met> <failed>": the run is over; nothing follows

} // namespace vesk_host::record

#endif
