#include "platform/autostart.h"

#include "base/files.h"
#include "texts/texts.h"

#include <cerrno>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace brimlow {

namespace {

constexpr const char* kEntryName = "brimlow.desktop";

// System-wide autostart directories; an entry there starts Brimlow for every
// user unless the user's own entry of the same name hides it.
std::vector<std::string> systemAutostartDirectories(const Environment& env) {
    std::vector<std::string> result;
    for (const auto& dir : xdgConfigDirectories(env))
        result.push_back(joinPath(dir, "autostart"));
    return result;
}

bool hasSystemEntry(const Environment& env) {
    for (const auto& dir : systemAutostartDirectories(env)) {
        if (access(joinPath(dir, kEntryName).c_str(), F_OK) == 0)
            return true;
    }
    return false;
}

bool isHidden(const std::string& text) {
    std::istringstream lines(text);
    bool inEntry = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && (line == "Hidden=true" || line == "Hidden = true"))
            return true;
    }
    return false;
}

} // namespace

std::string desktopExecValue(const std::string& executable) {
    // Reserved characters of the Exec key; a path with none of them is used
    // as it is.
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string value = executable;
    if (executable.find_first_of(reserved) != std::string::npos) {
        // Not `value = "\""`: at -O3 that trips a false -Wrestrict in GCC 12.
        value.assign(1, '"');
        for (char c : executable) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                value += '\\';
            value += c;
        }
        value += "\"";
    }
    // "%" starts a field code and must be doubled; the value is also a
    // desktop-entry string, where a backslash is written "\\".
    std::string escaped;
    for (char c : value) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '%')
            escaped += "%%";
        else
            escaped += c;
    }
    return escaped;
}

std::string autostartEntryText(const std::string& executable, bool hidden) {
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Brimlow\n"
                       "Comment=" +
                       std::string(kAutostartComment) +
                       "\n"
                       "Exec=" +
                       desktopExecValue(executable) +
                       "\n"
                       "Icon=brimlow\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n";
    if (hidden)
        text += "Hidden=true\n";
    return text;
}

AutostartEntry::AutostartEntry(std::shared_ptr<const Environment> env, std::string executable)
    : m_env(std::move(env)), m_executable(std::move(executable)),
      m_path(joinPath(joinPath(xdgBaseDirectory(*m_env, "XDG_CONFIG_HOME", ".config"), "autostart"),
                      kEntryName)) {}

Result<void> AutostartEntry::registerItem() {
    TRY(createDirectories(directoryOf(m_path)));
    return writeFileAtomic(m_path, autostartEntryText(m_executable, false), Durability::Synced);
}

Result<void> AutostartEntry::unregisterItem() {
    // A system-wide entry of the same name would still start Brimlow: only a
    // hidden user entry switches it off.
    if (hasSystemEntry(*m_env)) {
        TRY(createDirectories(directoryOf(m_path)));
        return writeFileAtomic(m_path, autostartEntryText(m_executable, true), Durability::Synced);
    }
    if (unlink(m_path.c_str()) != 0 && errno != ENOENT)
        return Error::fromErrno(errno, m_path);
    return {};
}

LoginItemStatus AutostartEntry::status() const {
    auto text = readWholeFile(m_path);
    if (!text.ok() || isHidden(text.value()))
        return LoginItemStatus::NotRegistered;
    return LoginItemStatus::Enabled;
}

} // namespace brimlow
