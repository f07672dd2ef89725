// Launch at login through an XDG autostart entry: desktops start every
// entry in ~/.config/autostart that is not hidden when the user logs in.
#pragma once

#include "base/environment.h"
#include "model/services.h"

#include <memory>
#include <string>

namespace brimlow {

// `$XDG_CONFIG_HOME/autostart/brimlow.desktop` (default ~/.config), starting
// `executable` by its absolute path. Writing is atomic; a failure carries
// the path and the system's text.
class AutostartEntry final : public LoginItemService {
public:
    AutostartEntry(std::shared_ptr<const Environment> env, std::string executable);

    Result<void> registerItem() override;
    Result<void> unregisterItem() override;
    LoginItemStatus status() const override;

    const std::string& path() const { return m_path; }

private:
    std::shared_ptr<const Environment> m_env;
    std::string m_executable;
    std::string m_path;
};

// The Exec value for a program path: quoted as the desktop-entry format
// requires when the path holds reserved characters, then escaped as a
// desktop-entry string.
std::string desktopExecValue(const std::string& executable);

std::string autostartEntryText(const std::string& executable, bool hidden);

} // namespace brimlow
