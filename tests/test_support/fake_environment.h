// A fixed set of environment variables, for tests.
#pragma once

#include "base/environment.h"

#include <map>

namespace brimlow {

class FakeEnvironment final : public Environment {
public:
    FakeEnvironment() = default;
    explicit FakeEnvironment(std::map<std::string, std::string> vars) : m_vars(std::move(vars)) {}
    std::optional<std::string> get(const std::string& name) const override {
        auto found = m_vars.find(name);
        return found == m_vars.end() ? std::nullopt : std::optional(found->second);
    }
    void set(const std::string& name, std::string value) { m_vars[name] = std::move(value); }
    void unset(const std::string& name) { m_vars.erase(name); }

private:
    std::map<std::string, std::string> m_vars;
};

} // namespace brimlow
