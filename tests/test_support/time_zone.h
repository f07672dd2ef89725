// The environment and time zone for part of a test, restored afterwards.
#pragma once

#include "base/time.h"

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace brimlow {

// Sets (a value) or removes (none) environment variables for the object's
// lifetime; TZ among them takes effect at once.
class WithVariables {
public:
    using Values = std::map<std::string, std::optional<std::string>>;
    explicit WithVariables(const Values& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        apply(values);
    }
    ~WithVariables() { apply(m_saved); }
    WithVariables(const WithVariables&) = delete;
    WithVariables& operator=(const WithVariables&) = delete;

private:
    static void apply(const Values& values) {
        for (const auto& [name, value] : values)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        tzset();
    }
    Values m_saved;
};

// Runs part of a test in a given time zone, so local-calendar rules can be
// checked anywhere.
struct InTimeZone : WithVariables {
    explicit InTimeZone(const char* zone) : WithVariables(Values{{"TZ", zone}}) {}
};

// A time written in RFC 3339, for the tables of the tests.
inline Time utc(const char* text) {
    return *parseRfc3339(text);
}

} // namespace brimlow
