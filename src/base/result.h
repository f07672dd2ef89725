// Errors as values. A fallible function returns Result<T>; callers either
// handle the error or pass it on with TRY, which returns early on failure.
#pragma once

#include <cerrno>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace brimlow {

// Failures of Brimlow's own making, as opposed to a system call's errno.
// Only what some caller treats differently, or must be able to tell apart.
enum class ErrorKind {
    NotFound,         // something Brimlow needs is not on this machine
    Malformed,        // a document is not what it has to be
    Unusable,         // found, but cannot be used here (a module, a path)
    Rejected,         // the other side answered with a refusal
    NoAnswer,         // the other side went quiet or away before answering
    ChangedMeanwhile, // another program wrote the file between our read and write
};

// The message is what the user sees. The rest is for callers that react to
// the failure: either a system call's errno or one of our own kinds, never
// both, so that neither can be mistaken for the other.
class Error {
public:
    Error(ErrorKind kind, std::string message) : m_message(std::move(message)), m_origin(kind) {}

    // The message is strerror's text, after `context` and ": " when given.
    static Error fromErrno(int err, const std::string& context = {});

    const std::string& message() const { return m_message; }

    bool isErrno() const { return std::holds_alternative<int>(m_origin); }
    // 0 for our own kinds: no errno is 0, so comparing with one is false.
    int errnoValue() const { return isErrno() ? std::get<int>(m_origin) : 0; }
    // Nothing for a system error, so comparing with a kind is false.
    std::optional<ErrorKind> kind() const;

    bool operator==(const Error&) const = default;

private:
    Error(std::string message, int err) : m_message(std::move(message)), m_origin(err) {}

    std::string m_message;
    std::variant<int, ErrorKind> m_origin;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : m_value(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_value); }
    const T& value() const& { return std::get<0>(m_value); }
    T&& value() && { return std::get<0>(std::move(m_value)); }
    const Error& error() const { return std::get<1>(m_value); }
    Error&& releaseError() { return std::get<1>(std::move(m_value)); }

private:
    std::variant<T, Error> m_value;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    void value() const {}
    const Error& error() const { return *m_error; }
    Error&& releaseError() { return std::move(*m_error); }

private:
    std::optional<Error> m_error;
};

} // namespace brimlow

// Evaluates a Result; on failure returns its error from the calling function,
// otherwise yields the value (GNU statement expression, as in Ladybird's TRY).
#define TRY(expression)                                                                            \
    ({                                                                                             \
        auto&& _try_result = (expression);                                                         \
        if (!_try_result.ok())                                                                     \
            return _try_result.releaseError();                                                     \
        std::move(_try_result).value();                                                            \
    })
