// Errors as values. A fallible function returns Result<T>; callers either
// handle the error or pass it on with TRY, which returns early on failure.
#pragma once

#include <cerrno>
#include <string>
#include <utility>
#include <variant>

namespace brimlow {

// `message` is what the user sees (the domain text); `code` tells errors of
// the same origin apart. Platform errors carry errno as their code.
struct Error {
    std::string message;
    int code = 0;

    bool operator==(const Error&) const = default;

    static Error fromErrno(int err, const std::string& context = {});
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
    Result(Error error) : m_error(std::move(error)), m_failed(true) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    void value() const {}
    const Error& error() const { return m_error; }
    Error&& releaseError() { return std::move(m_error); }

private:
    Error m_error;
    bool m_failed = false;
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
