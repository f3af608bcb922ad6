// The one way the emulator reports an expected failure (a bad file, a bad
// step, a library that does not load, a budget refused, a pipe the system
// would not give): a Result holding either the value or an Error. The
// error's kind is what a caller decides by (an exit code, a hint); its
// message says what is wrong and where ("file:line: what is wrong") and is
// only ever shown, never searched. Exceptions are kept for broken
// invariants of the emulator itself and for what a script throws.
#ifndef VESK_HOST_RESULT_H
#define VESK_HOST_RESULT_H

#include <string>
#include <utility>
#include <variant>

namespace vesk_host {

struct Rule;

enum class ErrorKind {
    invalid,      // an input that is wrong: a file's contents, a step, an option, a command text
    unreadable,   // a file or folder that cannot be read or written as asked
    overBudget,   // the run's memory budget refused what the input needs
    notLoadable,  // a script library that cannot be loaded, or lacks its export
    unsupported,  // something this build or platform cannot do
    system,       // the operating system refused a resource (a pipe, a process, a thread)
};

struct Error {
    ErrorKind kind = ErrorKind::invalid;
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

inline Error fail(ErrorKind kind, std::string message) { return Error{kind, std::move(message), nullptr}; }
// An input that is wrong, the commonest failure.
inline Error fail(std::string message) { return fail(ErrorKind::invalid, std::move(message)); }
// The same failure, its message placed: "where: message" ("plant.toml:4").
inline Error placed(const std::string& where, Error error)
{
    error.message = where + ": " + error.message;
    return error;
}

} // namespace vesk_host

#endif
