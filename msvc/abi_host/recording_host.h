// RecordingHost: the test host's vesk_client_callback. It answers commands
// from a table, records every call the script makes, and keeps the release
// rule: each text reply it hands out is a fresh heap block that must come
// back with code 5 exactly once; nothing else may come back.
// No C++ standard library: fixed tables, C library functions only. When
// its log cannot be allocated, every call counts as a violation.
#ifndef VESK_ABI_HOST_RECORDING_HOST_H
#define VESK_ABI_HOST_RECORDING_HOST_H

#include <stdint.h>

#include "vesk_client_callback.h"

class RecordingHost : public vesk_client_callback {
public:
    enum { maxAnswers = 16, maxLog = 64, maxHanded = 64, lineSize = 200 };

    RecordingHost();
    virtual ~RecordingHost();

    // Answer the command `command` (exactly) with a copy of `reply`; a null
    // reply answers null.
    void reply(const char* command, const char* text);
    // Answer `command` with a status word that is not a text ("PS").
    void status(const char* command, intptr_t word);

    virtual void* callback(void* data, int code);

    // The calls since the last clear: a command as its text, a release as
    // "release <text>", "release null" or "release <foreign>", any other
    // code as "code <n>".
    int logCount() const { return logCount_; }
    const char* logLine(int index) const { return log_ + index * lineSize; }
    void clear() { logCount_ = 0; }

    // Replies handed out and not yet back; replies that came back twice or
    // pointers that were never handed out.
    int unreturned() const;
    int violations() const { return violations_; }

private:
    struct Answer {
        const char* command;
        const char* text;
        bool isStatus;
        intptr_t word;
    };
    struct Handed {
        char* block;
        bool returned;
    };

    void note(const char* first, const char* second);
    void release(void* data);

    Answer answers_[maxAnswers];
    int answerCount_;
    char* log_;  // maxLog lines of lineSize bytes, on the heap: small frames

    int logCount_;
    Handed handed_[maxHanded];
    int handedCount_;
    int violations_;
};

#endif
