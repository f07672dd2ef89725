// Runs part of a test in a given time zone, restoring the previous one
// afterwards, so local-calendar rules can be checked anywhere.
#pragma once

#include "base/time.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace brimlow {

class InTimeZone {
public:
    explicit InTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            m_saved = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~InTimeZone() {
        if (m_saved)
            setenv("TZ", m_saved->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    InTimeZone(const InTimeZone&) = delete;
    InTimeZone& operator=(const InTimeZone&) = delete;

private:
    std::optional<std::string> m_saved;
};

// A time written in RFC 3339, for the tables of the tests.
inline Time utc(const char* text) {
    return *parseRfc3339(text);
}

} // namespace brimlow
