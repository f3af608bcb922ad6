// What the validator needs from the operating system beyond its worker
// processes (worker/worker_process.h): the sink a check's records go to,
// the channel of a check started as this program again, and the heap
// figures of load.repeat. isolation_posix.cpp (heap figures from the C
// library) and isolation_windows.cpp (from HeapWalk).
#ifndef VESK_HOST_VALIDATOR_ISOLATION_H
#define VESK_HOST_VALIDATOR_ISOLATION_H

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "worker/worker_channel.h"

namespace vesk_host::validator {

// Where a check writes its records.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void write(const std::string& bytes) = 0;
    // The file descriptor it writes to, for a report written from a signal
    // handler; -1 when it writes elsewhere.
    virtual int descriptor() const { return -1; }
};

// A check's records on its worker's channel to the validator.
class ChannelSink final : public RecordSink {
public:
    explicit ChannelSink(worker::Channel& channel) : channel_(channel) {}
    // A failed write means the validator is gone; nothing left to tell.
    void write(const std::string& bytes) override { channel_.write(bytes.data(), bytes.size()); }
    int descriptor() const override { return channel_.upDescriptor(); }

private:
    worker::Channel& channel_;
};

// Whether checks can run in worker processes here, and why not when they cannot.
bool childProcessesAvailable();
const char* childProcessesMissing();
// Whether workers are made by fork(); where not (Windows), they are this
// program started again in its hidden child mode.
bool childrenByFork();

// In a worker started as this program again: its channel to the validator,
// as a sink. It owns the channel.
std::unique_ptr<RecordSink> takeParentChannel();

// Bytes of heap the process has in use now, when the platform tells.
std::optional<std::size_t> heapInUse();

// Where the heap figure comes from ("glibc mallinfo2", ...).
const char* heapSource();

} // namespace vesk_host::validator

#endif
