#include "base/result.h"

#include <cstring>

namespace brimlow {

Error Error::fromErrno(int err, const std::string& context) {
    std::string text = std::strerror(err);
    if (!context.empty())
        text = context + ": " + text;
    return Error{std::move(text), err};
}

std::optional<ErrorKind> Error::kind() const {
    if (const auto* kind = std::get_if<ErrorKind>(&m_origin))
        return *kind;
    return std::nullopt;
}

} // namespace brimlow
