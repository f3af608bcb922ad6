// Where the host lays out the records it hands the script (codes 1 and 2):
// one slot each, in one of two halves of a mapping. Taking a slot closes the
// one before it, so a script that keeps a record pointer past its call
// faults on the next event that reads it; every 32 records the half in use
// is closed and the other opened. About one mprotect call per record. Where
// the platform has no such memory, records live on the heap and go unwatched.
#ifndef VESK_HOST_RECORD_ARENA_H
#define VESK_HOST_RECORD_ARENA_H

#include <cstddef>
#include <string_view>

namespace vesk_host {

class RecordArena {
public:
    // Bytes a slot holds.
    static constexpr std::size_t slotSize = 4096;

    RecordArena();
    ~RecordArena();
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;

    // A zeroed slot of slotSize bytes for one record (and the texts it points
    // at), named by `label` in fault reports; null when there is no arena
    // here (use the heap).
    char* take(std::string_view label);

private:
    char* base_ = nullptr;  // null: no arena (any more); records go on the heap
    bool owner_ = false;    // this emulator mapped the arena
};

// Whether `address` lies in a closed slot of an arena; its label then goes
// to `label` (NUL-ended, cut to `size`). Safe in a signal handler.
bool recordFault(const void* address, char* label, std::size_t size);

} // namespace vesk_host

#endif
