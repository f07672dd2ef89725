// A private directory for one test, removed with everything in it afterwards.
#pragma once

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

namespace brimlow {

class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "brimlow-test.XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = std::filesystem::canonical(pattern).string();
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    // Writes `content` to a file below the directory, creating its parents.
    std::string write(const std::string& relative, const std::string& content) const {
        std::filesystem::path file = std::filesystem::path(m_path) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
        return file.string();
    }

    timespec modified(const std::string& relative) const {
        struct stat info {};
        if (::stat((*this / relative).c_str(), &info) != 0)
            throw std::runtime_error("stat failed: " + relative);
        return info.st_mtim;
    }
    void setModified(const std::string& relative, timespec when) const {
        timespec times[2] = {when, when};
        if (::utimensat(AT_FDCWD, (*this / relative).c_str(), times, 0) != 0)
            throw std::runtime_error("utimensat failed: " + relative);
    }
    // Rewrites a file with content of the same size and gives it back its
    // modification time, so that size and time alone can't tell it changed.
    void replaceKeepingStamp(const std::string& relative, const std::string& content) const {
        if (std::filesystem::file_size(*this / relative) != content.size())
            throw std::runtime_error("size differs: " + relative);
        timespec before = modified(relative);
        write(relative, content);
        setModified(relative, before);
    }

private:
    std::string m_path;
};

} // namespace brimlow
