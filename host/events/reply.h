// What the host answers a command with.
#ifndef VESK_HOST_REPLY_H
#define VESK_HOST_REPLY_H

#include <cstdint>
#include <string>

namespace vesk_host {

struct Reply {
    // text: a reply the script hands back with code 5 ("SD", "XI", "RN",
    // "TG"); word: a host-owned text answering a command whose reply is
    // never handed back (the hostile reply modes); status: the "PS" word.
    enum class Kind { null, text, word, status };
    Kind kind = Kind::null;
    std::string text;          // Kind::text and Kind::word
    std::intptr_t status = 0;  // Kind::status ("PS": 1 loaded, 0 not)

    static Reply textReply(std::string text) { return Reply{Kind::text, std::move(text), 0}; }
    static Reply statusReply(std::intptr_t status) { return Reply{Kind::status, std::string(), status}; }
};

} // namespace vesk_host

#endif
