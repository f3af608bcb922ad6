// The one way the emulator reports a failure the user caused (a bad file, a
// bad step, a library that does not load): a Result holding either the
// value or an Error whose message says what is wrong and where
// ("file:line: what is wrong"). Exceptions are kept for broken invariants
// of the emulator itself and for what a script throws.
#ifndef VESK_HOST_RESULT_H
#define VESK_HOST_RESULT_H

#include <string>
#include <utility>
#include <variant>

namespace vesk_host {

struct Rule;

struct Error {
    std::string message;
    // The interface rule a script broke, for errors in what a script sent.
    const Rule* rule = nullptr;
};

template <class T> class [[nodiscard]] Result {
public:
    // Taken by reference, so that `return local;` moves a local into the
    // Result instead of copying it.
    Result(const T& value) : state_(value) {}
    Result(T&& value) : state_(std::move(value)) {}
    Result(Error error) : state_(std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(state_); }

private:
    std::variant<T, Error> state_;
};

// Success without a value.
struct Done {};
using Status = Result<Done>;

inline Error fail(std::string message) { return Error{std::move(message), nullptr}; }

} // namespace vesk_host

#endif
