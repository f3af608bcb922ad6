#include "recording_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

RecordingHost::RecordingHost()
    : answerCount_(0), log_(static_cast<char*>(malloc(maxLog * lineSize))), logCount_(0), handedCount_(0),
      violations_(0)
{
}

RecordingHost::~RecordingHost()
{
    free(log_);
    for (int i = 0; i < handedCount_; ++i)
        free(handed_[i].block);
}

void RecordingHost::reply(const char* command, const char* text)
{
    if (answerCount_ < maxAnswers)
        answers_[answerCount_++] = Answer{command, text, false, 0};
}

void RecordingHost::status(const char* command, intptr_t word)
{
    if (answerCount_ < maxAnswers)
        answers_[answerCount_++] = Answer{command, 0, true, word};
}

void RecordingHost::note(const char* first, const char* second)
{
    if (!log_ || logCount_ == maxLog) {
        ++violations_;
        return;
    }
    snprintf(log_ + logCount_++ * lineSize, lineSize, "%s%s", first, second);
}

void RecordingHost::release(void* data)
{
    if (!data) {
        note("release null", "");
        return;
    }
    for (int i = 0; i < handedCount_; ++i) {
        if (handed_[i].block != data)
            continue;
        note("release ", handed_[i].block);
        if (handed_[i].returned)
            ++violations_;
        handed_[i].returned = true;
        return;
    }
    note("release <foreign>", "");
    ++violations_;
}

void* RecordingHost::callback(void* data, int code)
{
    if (code == VESK_CODE_RELEASE) {
        release(data);
        return 0;
    }
    if (code != VESK_CODE_COMMAND) {
        char text[16];
        snprintf(text, sizeof text, "%d", code);
        note("code ", text);
        return 0;
    }
    const char* command = data ? static_cast<const char*>(data) : "<null command>";
    note(command, "");
    for (int i = 0; i < answerCount_; ++i) {
        const Answer& answer = answers_[i];
        if (strcmp(answer.command, command) != 0)
            continue;
        if (answer.isStatus)
            return reinterpret_cast<void*>(answer.word);
        if (!answer.text || handedCount_ == maxHanded)
            return 0;
        // A block of its own for every reply, so each has its own address.
        size_t size = strlen(answer.text) + 1;
        char* block = static_cast<char*>(malloc(size));
        if (!block)
            return 0;
        memcpy(block, answer.text, size);
        handed_[handedCount_++] = Handed{block, false};
        return block;
    }
    return 0;
}

int RecordingHost::unreturned() const
{
    int count = 0;
    for (int i = 0; i < handedCount_; ++i)
        if (!handed_[i].returned)
            ++count;
    return count;
}
